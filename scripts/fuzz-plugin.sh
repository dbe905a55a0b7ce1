#!/usr/bin/env bash
# Builds the fuzz preset and runs the plug-in fuzzer for RUNS executions (10,000,000 unless
# given), from the corpus it keeps in build/fuzz/plugin-corpus. Prints libFuzzer's final
# statistics and the wall-clock time (its whole output goes to build/fuzz/plugin-fuzzer.log);
# exits non-zero if the fuzzer finds a violation, which it writes as crash-* into
# build/fuzz/plugin-artifacts/.
#   scripts/fuzz-plugin.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-10000000}"
scripts/install-deps.sh tests
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target plugin_fuzzer >/dev/null
mkdir -p build/fuzz/plugin-corpus build/fuzz/plugin-artifacts
start=$(date +%s)
status=0
# Inputs are kept to 1 KiB, room for dozens of arguments and operations: at libFuzzer's
# default of 4 KiB an execution took about three times as long.
build/fuzz/fuzz/plugin_fuzzer -runs="${runs}" -max_len=1024 -print_final_stats=1 \
  -artifact_prefix=build/fuzz/plugin-artifacts/ build/fuzz/plugin-corpus \
  >build/fuzz/plugin-fuzzer.log 2>&1 || status=$?
grep -E '^(stat::|#[0-9]+[[:space:]]+DONE|.*(ERROR|violated|SUMMARY))' build/fuzz/plugin-fuzzer.log || true
echo "plugin_fuzzer: ${runs} runs in $(( $(date +%s) - start )) s, exit status ${status} (log: build/fuzz/plugin-fuzzer.log)"
exit "${status}"
