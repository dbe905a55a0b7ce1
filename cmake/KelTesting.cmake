# GoogleTest is built from Debian's sources (package googletest) so that the same
# sources serve the native, sanitizer and mingw-w64 builds.
set(KEL_GOOGLETEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
if(NOT EXISTS "${KEL_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "GoogleTest sources not found in ${KEL_GOOGLETEST_SOURCE_DIR}: "
    "install Debian's googletest package (scripts/install-deps.sh does).")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory("${KEL_GOOGLETEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)

# kel_add_test(NAME SOURCES src... [LIBRARIES lib...] [DEPENDS target...])
# One test executable is one ctest entry; cross builds run it under the emulator (wine).
function(kel_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;LIBRARIES;DEPENDS")
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kel_compile_options GTest::gmock_main ${ARG_LIBRARIES})
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
endfunction()

# Tests that replace the global allocation functions cannot link against ThreadSanitizer's
# static runtime, which defines them too; they run in every other build.
if(KEL_SANITIZERS MATCHES "thread")
  set(KEL_CAN_REPLACE_OPERATOR_NEW OFF)
else()
  set(KEL_CAN_REPLACE_OPERATOR_NEW ON)
endif()
