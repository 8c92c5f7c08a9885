# The package configurations for `cmake --install` users, and CPack: Debian packages on Linux
# (addon001 with the runtime, addon001-dev for other add-ons, libaddonlog-dev with the logging
# library, and libaddonlog1 when that is shared), a zip of the runtime on Windows. Included after
# every folder has declared what it installs.
include(CMakePackageConfigHelpers)

# One CMake package: its config from <name>Config.cmake.in, its version file, its targets.
# PATH_VARS: variables of install paths that the config names (as @PACKAGE_<variable>@).
function(addon_install_package name export_set component)
  cmake_parse_arguments(ARG "" "" "PATH_VARS" ${ARGN})
  set(destination ${ADDON_INSTALL_PACKAGE_DIR}/${name})
  install(EXPORT ${export_set}
    NAMESPACE ${name}::
    DESTINATION ${destination}
    COMPONENT ${component} ${ADDON_INSTALL_OPTIONAL})
  configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/${name}Config.cmake.in
    ${PROJECT_BINARY_DIR}/packages-config/${name}Config.cmake
    INSTALL_DESTINATION ${destination} PATH_VARS ${ARG_PATH_VARS})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/packages-config/${name}ConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/packages-config/${name}Config.cmake
                ${PROJECT_BINARY_DIR}/packages-config/${name}ConfigVersion.cmake
    DESTINATION ${destination}
    COMPONENT ${component} ${ADDON_INSTALL_OPTIONAL})
endfunction()

# find_package(AddonLog): the logging library. Declared also when nothing is installed, so that
# a project that adds this one can install(EXPORT) its own targets that link the library.
addon_install_package(AddonLog AddonLogTargets log_development)
# find_package(Addon001): the class-library layer and the add-on interface, for other add-ons.
# It also brings addon001_add_addon, with the export map that limits a module's exports to the
# six functions of the interface, and names the installed host, which its CHECK runs.
if(ADDON001_BUILD_ADDON)
  file(STRINGS ${PROJECT_SOURCE_DIR}/addon/include/addon001/addon/addon_interface.h
       ADDON_INTERFACE_VERSION REGEX "int interfaceVersion = [0-9]+;")
  string(REGEX MATCH "= ([0-9]+)" ADDON_INTERFACE_VERSION "${ADDON_INTERFACE_VERSION}")
  set(ADDON_INTERFACE_VERSION ${CMAKE_MATCH_1})
  set(ADDON_HOST_INSTALL_PATH ${ADDON_INSTALL_RUNTIME_DIR}/addon-host${CMAKE_EXECUTABLE_SUFFIX})
  addon_install_package(Addon001 Addon001Targets development PATH_VARS ADDON_HOST_INSTALL_PATH)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/Addon001AddAddon.cmake
    DESTINATION ${ADDON_INSTALL_PACKAGE_DIR}/Addon001 COMPONENT development ${ADDON_INSTALL_OPTIONAL})
  install(FILES ${ADDON_EXPORTS_FILE} RENAME addon_exports.map
    DESTINATION ${ADDON_INSTALL_PACKAGE_DIR}/Addon001 COMPONENT development ${ADDON_INSTALL_OPTIONAL})
endif()

if(NOT ADDON001_INSTALL OR NOT PROJECT_IS_TOP_LEVEL OR NOT ADDON001_BUILD_ADDON)
  return()
endif()

# --- The C++ runtime beside the programs (Windows) ----------------------------------------------
# MinGW links the C++ runtime as DLLs that Windows looks for beside the program; the zip must
# carry them for the host and the module to run from its folder.
if(MINGW_RUNTIME_DLLS)
  install(FILES ${MINGW_RUNTIME_DLLS} DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime)
endif()

# --- Manual pages (Linux) ---------------------------------------------------------------------
# Made from each program's --help at build time with help2man, run by the command's own name
# so that the page shows "addon-host", not the build folder, with the sections of
# cmake/man/<program>.h2m (EXAMPLES, SEE ALSO). addon-host's page also lists every check of
# --check, as the built host names them.
if(NOT WIN32 AND NOT CMAKE_CROSSCOMPILING)
  find_program(HELP2MAN_EXECUTABLE help2man)
  find_program(GZIP_EXECUTABLE gzip)
  if(NOT HELP2MAN_EXECUTABLE OR NOT GZIP_EXECUTABLE)
    message(FATAL_ERROR "help2man or gzip is missing, which make the manual pages: "
                        "run scripts/install-deps.sh linux")
  endif()
  set(manual_pages "")
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/man)
  foreach(program_and_name
          "addon-host|load an add-on module and print or check what it answers"
          "addon-log|read a rotating log set of the Addon001 logging library")
    string(REPLACE "|" ";" program_and_name "${program_and_name}")
    list(GET program_and_name 0 program)
    list(GET program_and_name 1 name)
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
    set(sections ${CMAKE_CURRENT_LIST_DIR}/man/${program}.h2m)
    if(program STREQUAL "addon-host")
      set(static_sections ${sections})
      set(sections ${PROJECT_BINARY_DIR}/man/addon-host.h2m)
      add_custom_command(OUTPUT ${sections}
        COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:addon-host> -DMODULE=$<TARGET_FILE:Addon001>
                -DTEMPLATE=${static_sections} -DOUTPUT=${sections}
                -P ${CMAKE_CURRENT_LIST_DIR}/man/checks_section.cmake
        DEPENDS addon-host Addon001 ${static_sections} ${CMAKE_CURRENT_LIST_DIR}/man/checks_section.cmake
        COMMENT "The checks of addon-host --check, for its manual page"
        VERBATIM)
    endif()
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:${program}>:$ENV{PATH}"
              ${HELP2MAN_EXECUTABLE} --no-info --no-discard-stderr --section=1
              --version-string=${PROJECT_VERSION} "--name=${name}" --include=${sections}
              --output=${page} ${program}
      COMMAND ${GZIP_EXECUTABLE} -9nf ${page}
      DEPENDS ${program} ${sections}
      COMMENT "Manual page of ${program}"
      VERBATIM)
    list(APPEND manual_pages ${page}.gz)
  endforeach()
  add_custom_target(addon_manual_pages ALL DEPENDS ${manual_pages})
  install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
endif()

# --- CPack --------------------------------------------------------------------------------------
# The maintainer named in the packages; a distributor sets its own.
set(ADDON_PACKAGE_CONTACT "Addon001 maintainers <addon001@example.org>"
    CACHE STRING "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME addon001)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ADDON_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
if(WIN32)
  # Only the runtime component: the host application needs no headers or static libraries.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "add-on module for a drive commissioning host")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};runtime;/")
else()
  set(CPACK_GENERATOR DEB)
  # One Debian package per component. The logging library's packages depend on nothing of the
  # add-on: a program that only logs installs libaddonlog-dev (and libaddonlog1 when shared).
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL runtime development log_development)
  if(ADDONLOG_SHARED)
    list(APPEND CPACK_COMPONENTS_ALL log_runtime)
  endif()
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME addon001)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME addon001-dev)
  set(CPACK_DEBIAN_LOG_DEVELOPMENT_PACKAGE_NAME libaddonlog-dev)
  set(CPACK_DEBIAN_LOG_RUNTIME_PACKAGE_NAME libaddonlog${PROJECT_VERSION_MAJOR})
  # The first line is the synopsis, the rest the extended description (each line indented by
  # CPack); each package has its own (cpack_deb_options.cmake keeps CPack from putting the
  # project's summary before each).
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/debian/cpack_deb_options.cmake)
  set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "add-on module for a drive commissioning host
The Addon001 module for the drive commissioning host, the class-library
layer it shares with the host, the reference host addon-host, which loads a
module and prints or checks its answers, and the log reader addon-log.")
  set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "development files for Addon001 add-on modules
Headers of the class-library layer and of the add-on interface, and the
CMake package Addon001 (Addon001::afxlayer, Addon001::interface), for
developers of other add-on modules and hosts.")
  set(CPACK_DEBIAN_LOG_DEVELOPMENT_DESCRIPTION "Addon001 logging library, development files
Levelled one-line log records, a rolling size-limited log file behind one
lock, and reports of caught exceptions. Headers, the library, the CMake
package AddonLog and the pkg-config file addonlog.")
  set(CPACK_DEBIAN_LOG_RUNTIME_DESCRIPTION "Addon001 logging library, shared library
Levelled one-line log records, a rolling size-limited log file behind one
lock, and reports of caught exceptions: the shared library that every
module of a process shares.")
  # Debian: installed under /usr, files named the Debian way (addon001_1.0.0_amd64.deb).
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_LOG_DEVELOPMENT_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_LOG_RUNTIME_PACKAGE_SECTION libs)
  # Installed with DESTDIR, so that files written at install time (addonlog.pc) name /usr.
  set(CPACK_SET_DESTDIR ON)
  set(CPACK_INSTALL_PREFIX /usr)
  # The runtime's dependencies on the C and C++ runtime are worked out from its binaries;
  # dpkg-shlibdeps finds the class-library layer, a private library of the package, through the
  # $ORIGIN run path of the host and the module. Its folder is below the multiarch library
  # folder, where the dynamic linker's cache does not look: no ldconfig call.
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_LOG_RUNTIME_PACKAGE_SHLIBDEPS ON)
  # A shared logging library comes in libaddonlog1, which the runtime then depends on; CPack runs
  # dpkg-shlibdeps for each package on its own, so it is shown the built library too.
  if(ADDONLOG_SHARED)
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS
        "libaddonlog${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION})")
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
  endif()
  # The shared logging library is public: a shlibs file (CPack's switch is for all packages at
  # once), and the dynamic linker's cache renewed.
  if(ADDONLOG_SHARED)
    set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  endif()
  file(WRITE ${PROJECT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
  set(CPACK_DEBIAN_LOG_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/triggers)
  # Stripped binaries. The debugging information stays in the build tree's unstripped files
  # (build/<preset>/bin), which a debugger is pointed at; no -dbgsym package is made (CPack's
  # lists its files by their build paths, which dpkg and lintian refuse).
  set(CPACK_STRIP_FILES ON)
  set(log_packages "libaddonlog-dev (= ${PROJECT_VERSION})")
  set(CPACK_DEBIAN_LOG_DEVELOPMENT_PACKAGE_DEPENDS "libboost-dev (>= 1.74)")
  if(ADDONLOG_SHARED)
    string(APPEND CPACK_DEBIAN_LOG_DEVELOPMENT_PACKAGE_DEPENDS
           ", libaddonlog${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION})")
  endif()
  # Add-ons built against the class-library layer link its copy in the runtime package; its
  # headers use the OS layer's export header, which comes with the logging library.
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
      "addon001 (= ${PROJECT_VERSION}), ${log_packages}")

  # Every package carries its copyright file and its changelog (a native package: changelog.gz).
  set(documented_components runtime development log_development)
  if(ADDONLOG_SHARED)
    list(APPEND documented_components log_runtime)
  endif()
  foreach(component ${documented_components})
    string(TOUPPER ${component} upper)
    set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in
                   ${PROJECT_BINARY_DIR}/debian/${package}/changelog @ONLY)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/${package}/changelog.gz
      COMMAND ${GZIP_EXECUTABLE} -9nkf ${PROJECT_BINARY_DIR}/debian/${package}/changelog
      DEPENDS ${PROJECT_BINARY_DIR}/debian/${package}/changelog)
    list(APPEND changelogs ${PROJECT_BINARY_DIR}/debian/${package}/changelog.gz)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
                  ${PROJECT_BINARY_DIR}/debian/${package}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
  endforeach()
  add_custom_target(addon_package_changelogs ALL DEPENDS ${changelogs})
endif()

include(CPack)
