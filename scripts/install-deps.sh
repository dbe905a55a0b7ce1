#!/usr/bin/env bash
# Installs the Debian packages a purpose needs, if any is missing:
#
#   scripts/install-deps.sh [PURPOSE]...
#
#   sample      build the module and kelhost natively (scripts/run-sample.sh)
#   tests       the native test legs: tests, sanitizers, the fuzzer
#   windows     the Windows DLL, its tests under wine and the Microsoft-ABI test host
#   benchmarks  the benchmarks and the measuring scripts
#   coverage    scripts/coverage.sh
#   all         every one of them (the default)
set -euo pipefail

sample=(
  cmake ninja-build g++               # native build; CPack makes the packages
  nlohmann-json3-dev                  # the reference host's JSON output
)
tests=(
  "${sample[@]}"
  googletest                          # test framework (built from source)
  clang libclang-rt-14-dev            # ThreadSanitizer and libFuzzer builds
  valgrind                            # scripts/soak.sh's memcheck run
)
windows=(
  cmake ninja-build python3           # build, resource post-processing
  nlohmann-json3-dev googletest
  g++-mingw-w64-x86-64-posix wine64   # the Windows DLL and running its tests
  clang-tools-14 lld llvm             # the Microsoft-ABI test host: clang-cl, lld-link, llvm-dlltool
)
benchmarks=(
  "${tests[@]}"
  libbenchmark-dev                    # benchmark framework
  libcxxopts-dev libcli11-dev libboost-program-options-dev  # parsers the benchmarks compare with
  valgrind                            # instruction counts for scripts/bench-table.sh
  hyperfine                           # scripts/measure-host-start.sh
)
coverage=("${tests[@]}" gcovr)

purposes=("$@")
[ ${#purposes[@]} -gt 0 ] || purposes=(all)
packages=()
for purpose in "${purposes[@]}"; do
  case "${purpose}" in
    sample) packages+=("${sample[@]}") ;;
    tests) packages+=("${tests[@]}") ;;
    windows) packages+=("${windows[@]}") ;;
    benchmarks) packages+=("${benchmarks[@]}") ;;
    coverage) packages+=("${coverage[@]}") ;;
    all) packages+=("${benchmarks[@]}" "${windows[@]}" "${coverage[@]}") ;;
    *)
      echo "install-deps: unknown purpose '${purpose}' (sample, tests, windows, benchmarks, coverage, all)" >&2
      exit 2
      ;;
  esac
done

missing=()
for package in $(printf '%s\n' "${packages[@]}" | sort -u); do
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
