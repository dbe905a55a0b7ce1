#!/usr/bin/env bash
# The long load/unload soak of the module file: 10,000 cycles natively, 10,000 under
# valgrind memcheck (which must report no error and no leak) and 1,000 cycles of the Windows
# DLL under wine. Builds the linux and mingw presets' soak first. Prints each run's figures;
# exits non-zero if any run fails.
#   scripts/soak.sh [LINUX_CYCLES [VALGRIND_CYCLES [WINE_CYCLES]]]
set -euo pipefail
cd "$(dirname "$0")/.."

linux_cycles="${1:-10000}"
valgrind_cycles="${2:-10000}"
wine_cycles="${3:-1000}"
scripts/install-deps.sh tests windows benchmarks
for preset in linux mingw; do
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" --target module_soak >/dev/null
done

run() {
  local what="$1" cycles="$2"
  shift 2
  local start=$(date +%s)
  KEL_SOAK_CYCLES="${cycles}" "$@" --gtest_brief=1 2>&1 |
    grep -E 'cycles;|Failure|ERROR SUMMARY|in use at exit|no leaks are possible|definitely lost|FAILED|PASSED'
  echo "${what}: ${cycles} cycles in $(( $(date +%s) - start )) s"
}

run linux "${linux_cycles}" build/linux/tests/e2e/module_soak
KEL_SOAK_HANDLES_ONLY=1 run valgrind "${valgrind_cycles}" valgrind --error-exitcode=1 --leak-check=full \
  --errors-for-leak-kinds=definite,indirect build/linux/tests/e2e/module_soak
WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX="${PWD}/build/wineprefix" \
  run wine "${wine_cycles}" "$(command -v wine64 || echo /usr/lib/wine/wine64)" build/mingw/tests/e2e/module_soak.exe
