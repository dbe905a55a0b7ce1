# The release layout: `cmake --install` (and every package CPack makes from it) puts the
# module, the reference host, the interface headers a host includes, the optional host kit,
# the host authors' guide and a CMake package configuration into one prefix:
#
#   Linux:   lib/CommandLineParametersParser/CommandLineParametersParser.kellib, bin/kelhost
#   Windows: bin/CommandLineParametersParser.kellib, bin/kelhost.exe
#   include/kel/*.h, include/I*.h                      the SDK (component sdk)
#   include/kel/host/*.h, lib/libkel_host_*.a          the host kit (component hostkit)
#   share/doc/commandlineparametersparser/ (Linux), doc/ (Windows): HOST-AUTHORS.md
#   lib/cmake/CommandLineParametersParser/CommandLineParametersParserConfig[Version].cmake
include(CMakePackageConfigHelpers)

if(WIN32)
  set(KEL_MODULE_INSTALL_DIR bin)
  set(KEL_DOC_INSTALL_DIR doc)
else()
  # A loadable module is no program: it lives under lib/, in a directory of its own.
  set(KEL_MODULE_INSTALL_DIR lib/CommandLineParametersParser)
  set(KEL_DOC_INSTALL_DIR share/doc/commandlineparametersparser)
endif()

set(KEL_SDK_FRAMEWORK_HEADERS
  Types.h IObjectBase.h IObserver.h IImportsContainer.h HostServices.h
  ObjectPtr.h RefCount.h InterfaceTable.h ObjectLifetime.h ModuleEntry.h)
list(TRANSFORM KEL_SDK_FRAMEWORK_HEADERS PREPEND "${PROJECT_SOURCE_DIR}/framework/include/kel/")
install(FILES ${KEL_SDK_FRAMEWORK_HEADERS} DESTINATION include/kel COMPONENT sdk)
install(FILES
  "${PROJECT_SOURCE_DIR}/parser/include/IPlugin.h"
  "${PROJECT_SOURCE_DIR}/parser/include/ICommandLineParametersParser.h"
  "${PROJECT_SOURCE_DIR}/parameters/include/ICommandLineParameters.h"
  "${PROJECT_SOURCE_DIR}/parameters/include/ICommandLineOptionsIterator.h"
  DESTINATION include COMPONENT sdk)

install(TARGETS kel_module
  LIBRARY DESTINATION "${KEL_MODULE_INSTALL_DIR}" COMPONENT sdk
  RUNTIME DESTINATION "${KEL_MODULE_INSTALL_DIR}" COMPONENT sdk)
if(TARGET kelhost)
  install(TARGETS kelhost RUNTIME DESTINATION bin COMPONENT sdk)
endif()

# The host kit: the reference host's string and collection factories, export proxies and
# logger, for a host that has no kel services of its own. Two static archives: the services
# and the platform layer they use.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/host/services/include/kel/host/"
  DESTINATION include/kel/host COMPONENT hostkit FILES_MATCHING PATTERN "*.h")
install(TARGETS kel_host_services kel_host_platform ARCHIVE DESTINATION lib COMPONENT hostkit)
set(KEL_HOSTKIT_ARCHIVES "")
foreach(archive kel_host_services kel_host_platform)
  list(APPEND KEL_HOSTKIT_ARCHIVES
    "lib/${CMAKE_STATIC_LIBRARY_PREFIX}${archive}${CMAKE_STATIC_LIBRARY_SUFFIX}")
endforeach()

# The README's section for host authors, as a document of its own.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/README.md")
file(READ "${PROJECT_SOURCE_DIR}/README.md" KEL_README)
string(FIND "${KEL_README}" "\n## For host authors" KEL_SECTION_START)
if(KEL_SECTION_START EQUAL -1)
  message(FATAL_ERROR "README.md has no section \"For host authors\"")
endif()
math(EXPR KEL_SECTION_START "${KEL_SECTION_START} + 1")
string(SUBSTRING "${KEL_README}" ${KEL_SECTION_START} -1 KEL_SECTION)
string(FIND "${KEL_SECTION}" "\n## " KEL_SECTION_END)
string(SUBSTRING "${KEL_SECTION}" 0 ${KEL_SECTION_END} KEL_SECTION)
file(WRITE "${PROJECT_BINARY_DIR}/HOST-AUTHORS.md"
  "# CommandLineParametersParser ${PROJECT_VERSION}\n\n${KEL_SECTION}\n")
install(FILES "${PROJECT_BINARY_DIR}/HOST-AUTHORS.md" DESTINATION "${KEL_DOC_INSTALL_DIR}"
  COMPONENT sdk)

set(KEL_CONFIG_DIR "lib/cmake/CommandLineParametersParser")
configure_package_config_file(
  "${PROJECT_SOURCE_DIR}/cmake/CommandLineParametersParserConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/CommandLineParametersParserConfig.cmake"
  INSTALL_DESTINATION "${KEL_CONFIG_DIR}")
write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/CommandLineParametersParserConfigVersion.cmake"
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES
  "${PROJECT_BINARY_DIR}/CommandLineParametersParserConfig.cmake"
  "${PROJECT_BINARY_DIR}/CommandLineParametersParserConfigVersion.cmake"
  DESTINATION "${KEL_CONFIG_DIR}" COMPONENT sdk)
