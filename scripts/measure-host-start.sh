#!/usr/bin/env bash
# Measures a whole kelhost run next to a bare process start, side by side with hyperfine: a
# C program that does nothing, a C++ program that does nothing (the same with the system's
# C++ runtime loaded), a C program that only loads and unloads the module (what the module's
# own set-up and teardown cost), kelhost on ten arguments (load the module, inject, parse,
# print, unload) and kelhost inspect on the module. Prints each one's median time and
# its ratio to the bare start. Builds kelhost and the module (linux preset) first.
#
#   scripts/measure-host-start.sh [RUNS]     (RUNS per command, 1000 unless given)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh benchmarks
cmake --preset linux >/dev/null
cmake --build --preset linux --target kelhost kel_module >/dev/null

work=$(mktemp -d)
trap 'rm -rf "${work}"' EXIT
printf 'int main(void) { return 0; }\n' >"${work}/nothing.c"
cc -O2 -o "${work}/nothing" "${work}/nothing.c"
printf '#include <string>\nint main(int argc, char**) { return std::string(argc, 0).size() > 9; }\n' \
  >"${work}/nothing.cpp"
c++ -O2 -o "${work}/nothing-cpp" "${work}/nothing.cpp"
cat >"${work}/load.c" <<'C'
#include <dlfcn.h>
int main(int argc, char** argv) {
  void* module = argc > 1 ? dlopen(argv[1], RTLD_NOW | RTLD_LOCAL) : 0;
  return module != 0 && dlclose(module) == 0 ? 0 : 1;
}
C
cc -O2 -o "${work}/load" "${work}/load.c" -ldl

bin=build/linux/bin
hyperfine --shell=none --warmup 50 --runs "${1:-1000}" --export-json "${work}/times.json" \
  --command-name "bare process start (C, does nothing)" "${work}/nothing" \
  --command-name "C++ program that does nothing" "${work}/nothing-cpp" \
  --command-name "C program loading the module" "${work}/load ${bin}/CommandLineParametersParser.kellib" \
  --command-name "kelhost -- 10 arguments" "${bin}/kelhost -- --a=1 --b -c x y z --d=2 -e5 w v" \
  --command-name "kelhost inspect MODULE" "${bin}/kelhost inspect ${bin}/CommandLineParametersParser.kellib" \
  >/dev/null

python3 - "${work}/times.json" <<'PYTHON'
import json
import sys

results = json.load(open(sys.argv[1]))["results"]
bare = results[0]["median"]
for result in results:
    print(f"{result['command']:<40} {result['median'] * 1e3:6.3f} ms  {result['median'] / bare:4.2f}x")
PYTHON
