#!/usr/bin/env bash
# Builds every preset and runs every test: native, sanitizers (address+undefined, thread),
# the fuzzer, and the Windows DLL under wine. Installs what is missing first. Exits non-zero
# if any leg fails or cannot run; no leg is ever skipped.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh tests windows benchmarks

presets=(linux linux-asan linux-tsan mingw fuzz)
passed=0
failed=0
failed_legs=()
for preset in "${presets[@]}"; do
  echo "=== ${preset}"
  log="build/${preset}-ctest.log"
  if cmake --preset "${preset}" >/dev/null && cmake --build --preset "${preset}" &&
     ctest --preset "${preset}" 2>&1 | tee "${log}"; then
    leg_status=ok
  else
    leg_status=failed
  fi
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "${log}" 2>/dev/null || true)
  if [ -n "${summary}" ]; then
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"${summary}")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"${summary}")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  fi
  if [ "${leg_status}" != ok ] || [ -z "${summary}" ]; then
    failed_legs+=("${preset}")
    [ -n "${summary}" ] || failed=$((failed + 1))
  fi
done

echo
if [ ${#failed_legs[@]} -gt 0 ]; then
  echo "failed legs: ${failed_legs[*]}"
fi
echo "${passed} passed, ${failed} failed"
[ ${#failed_legs[@]} -eq 0 ]
