# The host SDK: `cmake --install` puts the module, the interface headers a host includes,
# the reference host and a CMake package configuration into one prefix:
#
#   bin/CommandLineParametersParser.kellib, bin/kelhost[.exe]
#   include/kel/*.h, include/I*.h
#   lib/cmake/CommandLineParametersParser/CommandLineParametersParserConfig[Version].cmake
include(CMakePackageConfigHelpers)

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

install(TARGETS kel_module LIBRARY DESTINATION bin RUNTIME DESTINATION bin COMPONENT sdk)
if(TARGET kelhost)
  install(TARGETS kelhost RUNTIME DESTINATION bin COMPONENT sdk)
endif()

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
