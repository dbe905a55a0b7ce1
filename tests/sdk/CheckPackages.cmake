# Makes the release packages from BUILD_DIR with CPack and uses them as a user would, in
# scratch folders under WORK_DIR and without installing anything on the system.
#   Linux (PLATFORM linux): the .deb's metadata (dpkg-deb -I) and file list (dpkg-deb -c);
#     unpacked (dpkg-deb -x) into a scratch root, its kelhost parses the sample line, and
#     tests/sdk/consumer (the README's host-kit example) builds against it and runs; the
#     .tar.gz exists.
#   Windows (PLATFORM windows, run under EMULATOR): the .zip unpacked into a scratch folder,
#     its kelhost.exe runs there, and tests/sdk/consumer builds with TOOLCHAIN against it
#     and runs.
foreach(var BUILD_DIR WORK_DIR SOURCE_DIR PLATFORM VERSION CPACK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")

# Runs a command; fails unless it exits 0. OUTPUT_VARIABLE gets its standard output.
function(run)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "" "OUTPUT_VARIABLE" "")
  execute_process(COMMAND ${ARG_UNPARSED_ARGUMENTS} RESULT_VARIABLE result OUTPUT_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARG_UNPARSED_ARGUMENTS}\n${out}")
  endif()
  if(ARG_OUTPUT_VARIABLE)
    set(${ARG_OUTPUT_VARIABLE} "${out}" PARENT_SCOPE)
  endif()
endfunction()

function(expect text pattern what)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: no match for '${pattern}' in:\n${text}")
  endif()
endfunction()

# Builds the project in SOURCE against the package at PREFIX, then runs it with ARGS
# (through EMULATOR when set); its output must match every OUTPUT pattern.
function(build_and_run name source prefix)
  cmake_parse_arguments(PARSE_ARGV 3 ARG "" "" "ARGS;OUTPUT;CONFIGURE")
  run("${CMAKE_COMMAND}" -S "${source}" -B "${WORK_DIR}/${name}" -G Ninja
    -DCMAKE_BUILD_TYPE=Release ${ARG_CONFIGURE}
    "-DCommandLineParametersParser_DIR=${prefix}/lib/cmake/CommandLineParametersParser"
    OUTPUT_VARIABLE ignored)
  run("${CMAKE_COMMAND}" --build "${WORK_DIR}/${name}" OUTPUT_VARIABLE ignored)
  file(GLOB program "${WORK_DIR}/${name}/${name}" "${WORK_DIR}/${name}/${name}.exe")
  run(${EMULATOR} ${program} ${ARG_ARGS} OUTPUT_VARIABLE out)
  foreach(pattern IN LISTS ARG_OUTPUT)
    expect("${out}" "${pattern}" "${name}")
  endforeach()
endfunction()

# The README shows the consumer whole, as the host-kit example.
file(READ "${SOURCE_DIR}/consumer/main.cpp" consumer_source)
file(READ "${SOURCE_DIR}/../../README.md" readme)
string(FIND "${readme}" "```cpp\n${consumer_source}```" shown)
if(shown EQUAL -1)
  message(FATAL_ERROR "README.md does not show tests/sdk/consumer/main.cpp as it is")
endif()

set(consumer_args --b -a1 --a=2 y x y)
set(consumer_output "option a = 2\r?\noption b = \r?\nfree argument x\r?\nfree argument y\r?\n")

if(PLATFORM STREQUAL "linux")
  run("${CPACK}" --config "${BUILD_DIR}/CPackConfig.cmake" -G "DEB;TGZ" -B "${WORK_DIR}/packages"
    OUTPUT_VARIABLE ignored)
  set(deb "${WORK_DIR}/packages/commandlineparametersparser_${VERSION}_amd64.deb")
  if(NOT EXISTS "${WORK_DIR}/packages/CommandLineParametersParser-${VERSION}-linux-x86_64.tar.gz")
    message(FATAL_ERROR "no .tar.gz of version ${VERSION}")
  endif()
  run(dpkg-deb -I "${deb}" OUTPUT_VARIABLE info)
  foreach(field "Package: commandlineparametersparser" "Version: ${VERSION}"
      "Architecture: amd64" "Depends: libc6 [^\n]*libstdc\\+\\+6")
    expect("${info}" "\n ${field}" "dpkg-deb -I")
  endforeach()
  run(dpkg-deb -c "${deb}" OUTPUT_VARIABLE files)
  foreach(file bin/kelhost lib/CommandLineParametersParser/CommandLineParametersParser.kellib
      include/kel/ObjectPtr.h include/ICommandLineParameters.h include/kel/host/HostFactories.h
      lib/libkel_host_services.a lib/libkel_host_platform.a
      lib/cmake/CommandLineParametersParser/CommandLineParametersParserConfigVersion.cmake
      share/doc/commandlineparametersparser/HOST-AUTHORS.md)
    expect("${files}" " \\./usr/${file}\n" "dpkg-deb -c")
  endforeach()
  run(dpkg-deb -x "${deb}" "${WORK_DIR}/root")
  set(prefix "${WORK_DIR}/root/usr")
  run("${prefix}/bin/kelhost" OUTPUT_VARIABLE sample)
  expect("${sample}" "^PlugDLL created\noptions: 7\n.*free arguments: 2\n.*PlugDLL deleted\n$"
    "the packaged kelhost")
  run("${prefix}/bin/kelhost" --version OUTPUT_VARIABLE version)
  expect("${version}" "^kelhost ${VERSION}\n$" "kelhost --version")
  build_and_run(sdk_consumer "${SOURCE_DIR}/consumer" "${prefix}" ARGS ${consumer_args}
    OUTPUT "^PlugDLL created\n${consumer_output}PlugDLL deleted\n$")
else()
  foreach(var EMULATOR TOOLCHAIN)
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "${var} is not set")
    endif()
  endforeach()
  run("${CPACK}" --config "${BUILD_DIR}/CPackConfig.cmake" -G ZIP -B "${WORK_DIR}/packages"
    OUTPUT_VARIABLE ignored)
  set(name "CommandLineParametersParser-${VERSION}-win64")
  file(MAKE_DIRECTORY "${WORK_DIR}/unzipped")
  run("${CMAKE_COMMAND}" -E chdir "${WORK_DIR}/unzipped"
    "${CMAKE_COMMAND}" -E tar xf "${WORK_DIR}/packages/${name}.zip")
  set(prefix "${WORK_DIR}/unzipped/${name}")
  foreach(file bin/kelhost.exe bin/CommandLineParametersParser.kellib include/kel/ObjectPtr.h
      include/kel/host/HostFactories.h lib/libkel_host_services.a doc/HOST-AUTHORS.md
      lib/cmake/CommandLineParametersParser/CommandLineParametersParserConfig.cmake)
    if(NOT EXISTS "${prefix}/${file}")
      message(FATAL_ERROR "the .zip lacks ${file}")
    endif()
  endforeach()
  run(${EMULATOR} "${prefix}/bin/kelhost.exe" --json -- --a=1 x OUTPUT_VARIABLE json)
  string(JSON created GET "${json}" module_output 0)
  string(JSON value GET "${json}" options 0 value)
  if(NOT created STREQUAL "PlugDLL created" OR NOT value STREQUAL "1")
    message(FATAL_ERROR "the packaged kelhost.exe --json printed:\n${json}")
  endif()
  build_and_run(sdk_consumer "${SOURCE_DIR}/consumer" "${prefix}" ARGS ${consumer_args}
    CONFIGURE "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}"
    OUTPUT "^PlugDLL created\r?\n${consumer_output}PlugDLL deleted\r?\n$")
endif()
