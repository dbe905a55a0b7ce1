# Runs one libFuzzer target for SECONDS from an empty CORPUS, reading the inputs in SEEDS
# first when given, with inputs of up to MAX_LEN bytes when given:
#   cmake -D FUZZER=... -D CORPUS=... -D SECONDS=... [-D SEEDS=...] [-D MAX_LEN=...] -P RunFuzzer.cmake
# Fails when the fuzzer finds a crash or a violated property, or cannot run.
foreach(variable FUZZER CORPUS SECONDS)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "RunFuzzer.cmake needs -D ${variable}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${CORPUS}")
file(MAKE_DIRECTORY "${CORPUS}")

set(options)
if(DEFINED MAX_LEN)
  list(APPEND options -max_len=${MAX_LEN})
endif()
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -print_final_stats=1 ${options} "${CORPUS}" ${SEEDS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed: ${result}")
endif()
