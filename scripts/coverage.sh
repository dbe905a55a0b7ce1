#!/usr/bin/env bash
# Line and branch coverage of the module's own code (framework/, module/, parser/,
# parameters/; not host/ or tests/) by every test of the native build. Prints each file
# with the lines no test reached, then the totals; fails below 95 % of lines or 90 % of
# branches. Branches that only an exception can take are not counted.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh coverage
cmake --preset coverage >/dev/null
cmake --build --preset coverage >/dev/null
find build/coverage -name '*.gcda' -delete
ctest --preset coverage >/dev/null
gcovr --root . --object-directory build/coverage \
  --filter '^framework/' --filter '^module/' --filter '^parser/' --filter '^parameters/' \
  --exclude-throw-branches --exclude-unreachable-branches \
  --txt - --print-summary --fail-under-line 95 --fail-under-branch 90
