# Runs the Microsoft-ABI host under wine and compares what it wrote to standard output (its
# step markers and the module's own lines) with the expected transcript, byte for byte.
execute_process(COMMAND "${WINE}" "${HOST}"
  OUTPUT_VARIABLE transcript ERROR_VARIABLE report RESULT_VARIABLE status)
message("${report}")
file(READ "${EXPECTED}" expected)
if(NOT transcript STREQUAL expected)
  file(WRITE "${ACTUAL}" "${transcript}")
  message(FATAL_ERROR "standard output differs from ${EXPECTED}; it is in ${ACTUAL}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the host exited with ${status}")
endif()
