# The package configurations for `cmake --install` users, and CPack: Debian packages on Linux
# (addon001 with the runtime, addon001-dev with the libraries and headers), a zip of the runtime
# on Windows. Included after every folder has declared what it installs.
if(NOT ADDON001_INSTALL)
  return()
endif()
include(CMakePackageConfigHelpers)

# One CMake package: its config from <name>Config.cmake.in, its version file, its targets.
function(addon_install_package name export_set)
  set(destination ${ADDON_INSTALL_PACKAGE_DIR}/${name})
  install(EXPORT ${export_set}
    NAMESPACE ${name}::
    DESTINATION ${destination}
    COMPONENT development)
  configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/${name}Config.cmake.in
    ${PROJECT_BINARY_DIR}/packages-config/${name}Config.cmake
    INSTALL_DESTINATION ${destination})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/packages-config/${name}ConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/packages-config/${name}Config.cmake
                ${PROJECT_BINARY_DIR}/packages-config/${name}ConfigVersion.cmake
    DESTINATION ${destination}
    COMPONENT development)
endfunction()

# find_package(AddonLog): the logging library.
addon_install_package(AddonLog AddonLogTargets)
# find_package(Addon001): the class-library layer and the add-on interface, for other add-ons.
if(ADDON001_BUILD_ADDON)
  addon_install_package(Addon001 Addon001Targets)
endif()

if(NOT PROJECT_IS_TOP_LEVEL OR NOT ADDON001_BUILD_ADDON)
  return()
endif()

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
set(CPACK_STRIP_FILES OFF)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
if(WIN32)
  # Only the runtime component: the host application needs no headers or static libraries.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};runtime;/")
else()
  set(CPACK_GENERATOR DEB)
  # One Debian package per component: addon001 (runtime) and addon001-dev (development).
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL runtime development)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME addon001)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME addon001-dev)
  set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
      "Add-on module for a drive commissioning host, with its class-library layer and reference host")
  set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
      "Addon001 logging library, class-library layer and add-on interface for developers")
  # Debian: installed under /usr, files named the Debian way (addon001_1.0.0_amd64.deb).
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  # The runtime's dependencies on the C and C++ runtime are worked out from its binaries;
  # dpkg-shlibdeps finds the class-library layer, a private library of the package, through the
  # $ORIGIN run path of the host and the module.
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
  # The headers need Boost's; add-ons built against the class-library layer link its copy in
  # the runtime package.
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
      "addon001 (= ${PROJECT_VERSION}), libboost-dev (>= 1.74)")
endif()

include(CPack)
