# Installs the SDK from BUILD_DIR into a fresh prefix, then configures, builds and runs the
# consumer project against that prefix alone.
foreach(var BUILD_DIR WORK_DIR CONSUMER_SOURCE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}")
  endif()
endfunction()

run("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")
foreach(expected
    bin/CommandLineParametersParser.kellib include/kel/IObjectBase.h
    include/ICommandLineParameters.h
    lib/cmake/CommandLineParametersParser/CommandLineParametersParserConfig.cmake)
  if(NOT EXISTS "${prefix}/${expected}")
    message(FATAL_ERROR "the installed SDK lacks ${expected}")
  endif()
endforeach()
run("${CMAKE_COMMAND}" -S "${CONSUMER_SOURCE_DIR}" -B "${WORK_DIR}/build" -G Ninja
  "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_BUILD_TYPE=Release)
run("${CMAKE_COMMAND}" --build "${WORK_DIR}/build")
run("${WORK_DIR}/build/sdk_consumer")
