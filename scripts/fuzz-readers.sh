#!/usr/bin/env bash
# Builds the fuzz preset and runs each reader fuzzer (PE, ELF, manifest, arguments file) for
# RUNS executions (10,000,000 unless given) on inputs of up to MAX_LEN bytes (4096 unless
# given: enough to reach the small limits the module-reader fuzzers read within), one after
# the other at the lowest priority, from the corpus each keeps in build/fuzz/<target>-corpus
# and the seeds in build/fuzz/fuzz/seeds. Prints each run's libFuzzer final statistics and
# wall-clock time (whole output in build/fuzz/<target>.log); exits non-zero if any run finds
# a violation, which it writes as crash-* into build/fuzz/<target>-artifacts/. With
# KEL_FUZZ_MAX_SECONDS set, each run also stops after that many seconds (the statistics then
# show how many executions it reached).
#   [KEL_FUZZ_MAX_SECONDS=S] scripts/fuzz-readers.sh [RUNS] [MAX_LEN] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-10000000}"
max_len="${2:-4096}"
shift $(( $# < 2 ? $# : 2 ))
targets=("${@:-pe_reader_fuzzer elf_reader_fuzzer manifest_fuzzer args_file_fuzzer}")
read -r -a targets <<<"${targets[*]}"
scripts/install-deps.sh tests
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
status=0
for target in "${targets[@]}"; do
  seeds=${target%_fuzzer}
  seeds=build/fuzz/fuzz/seeds/${seeds%_reader}
  mkdir -p "build/fuzz/${target}-corpus" "build/fuzz/${target}-artifacts"
  start=$(date +%s)
  run_status=0
  nice -n 19 "build/fuzz/fuzz/${target}" -runs="${runs}" -max_len="${max_len}" \
    -max_total_time="${KEL_FUZZ_MAX_SECONDS:-0}" \
    -print_final_stats=1 -artifact_prefix="build/fuzz/${target}-artifacts/" \
    "build/fuzz/${target}-corpus" "${seeds}" >"build/fuzz/${target}.log" 2>&1 || run_status=$?
  grep -E '^(stat::|#[0-9]+[[:space:]]+DONE|.*(ERROR|violated|SUMMARY))' \
    "build/fuzz/${target}.log" || true
  echo "${target}: ${runs} runs, max_len ${max_len}, in $(( $(date +%s) - start )) s," \
    "exit status ${run_status} (log: build/fuzz/${target}.log)"
  [ "${run_status}" -eq 0 ] || status=${run_status}
done
exit "${status}"
