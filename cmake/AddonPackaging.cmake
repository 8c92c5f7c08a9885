# The package configuration for `cmake --install` users, and CPack: a Debian package on Linux,
# a zip on Windows, each holding the runtime component (host, module, class-library layer).
# Included after every folder has declared what it installs.
include(CMakePackageConfigHelpers)

# --- find_package(AddonLog) ---------------------------------------------------------------------
install(EXPORT AddonLogTargets
  NAMESPACE AddonLog::
  DESTINATION ${ADDON_INSTALL_PACKAGE_DIR}
  COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/AddonLogConfig.cmake.in
  ${CMAKE_BINARY_DIR}/AddonLogConfig.cmake
  INSTALL_DESTINATION ${ADDON_INSTALL_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/AddonLogConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/AddonLogConfig.cmake ${CMAKE_BINARY_DIR}/AddonLogConfigVersion.cmake
  DESTINATION ${ADDON_INSTALL_PACKAGE_DIR}
  COMPONENT development)

# --- The C++ runtime beside the programs (Windows) ----------------------------------------------
# MinGW links the C++ runtime as DLLs that Windows looks for beside the program; the zip must
# carry them for the host and the module to run from its folder.
if(MINGW_RUNTIME_DLLS)
  install(FILES ${MINGW_RUNTIME_DLLS} DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime)
endif()

# --- CPack --------------------------------------------------------------------------------------
set(ADDON_PACKAGE_CONTACT "Addon001 maintainers <maintainers@localhost>"
    CACHE STRING "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME addon001)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Add-on module for a drive commissioning host, with its class-library layer and reference host")
set(CPACK_PACKAGE_CONTACT ${ADDON_PACKAGE_CONTACT})
# Only the runtime component: the host application needs no headers or static libraries.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};runtime;/")
set(CPACK_STRIP_FILES OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR DEB)
endif()

# Debian: installed under /usr, file named the Debian way (addon001_1.0.0_amd64.deb), the
# dependencies on the C and C++ runtime worked out from the binaries.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# dpkg-shlibdeps finds the class-library layer, a private library of the package, through
# the $ORIGIN run path of the host and the module.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
