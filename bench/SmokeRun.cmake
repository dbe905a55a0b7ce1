# bench_smoke: runs every benchmark once, briefly and at small argument counts. Fails only
# when one crashes or, in parse_bench, when the parsers disagree on the parsed result.
function(run_briefly)
  string(REPLACE ";" " " shown "${ARGN}")
  message(STATUS "${shown}")
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${shown} failed (${status}):\n${output}")
  endif()
endfunction()

run_briefly(${GRAMMAR_BENCH} --benchmark_min_time=0.001)
run_briefly(${PARAMETERS_BENCH} --benchmark_min_time=0.001)
run_briefly(${PARSE_BENCH} --max_arguments=1000 --benchmark_min_time=0.001)
run_briefly(${BENCH_INSTRUCTIONS} module 10 1)
