# Release packages made by CPack from the install rules (KelInstall.cmake): a .deb and a
# .tar.gz on Linux, a .zip on Windows. Every package holds every component: the module,
# kelhost, the SDK, the host kit, the CMake package and HOST-AUTHORS.md. The version is the
# project's. scripts/package.sh makes them all.
set(CPACK_PACKAGE_NAME "CommandLineParametersParser")
set(CPACK_PACKAGE_VENDOR "CommandLineParametersParser developers")
set(CPACK_PACKAGE_CONTACT "CommandLineParametersParser developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Command-line parser plug-in module for kel hosts, its reference host kelhost and SDK")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)

if(WIN32)
  # kelhost.exe and the module link the C++ runtime, libgcc and winpthread in and import
  # system DLLs only, so the archive needs nothing beside them.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_SYSTEM_NAME linux-x86_64)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_NAME commandlineparametersparser)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12)")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The module CommandLineParametersParser.kellib, the reference host kelhost, the SDK headers, the host kit and a CMake package (find_package(CommandLineParametersParser)).")
endif()

include(CPack)
