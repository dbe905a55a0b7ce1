#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ python3       # native build, resource post-processing
  googletest libbenchmark-dev         # test and benchmark frameworks (GoogleTest built from source)
  clang libclang-rt-14-dev            # ThreadSanitizer and libFuzzer builds
  clang-tools-14 lld llvm             # the Microsoft-ABI test host: clang-cl, lld-link, llvm-dlltool
  gcovr                               # scripts/coverage.sh
  g++-mingw-w64-x86-64-posix wine64   # the Windows DLL and running its tests
  nlohmann-json3-dev                  # the reference host's JSON output
  libcxxopts-dev libcli11-dev libboost-program-options-dev  # parsers the benchmarks compare with
  valgrind                            # instruction counts for scripts/bench-table.sh
  hyperfine                           # scripts/measure-host-start.sh
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null; then
  sudo=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and not root; install them or run as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
