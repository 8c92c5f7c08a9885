# Where `cmake --install` puts things, and the helpers with which each folder's CMakeLists
# installs the targets it defines.
#
#   <runtime folder>        addon-host, Addon001, afxlayer (and, on Windows, the C++ runtime
#                           DLLs): one folder, so that the host finds the module beside it and
#                           both find the class-library layer beside them.
#                           <libdir>/addon001 on Linux (with bin/addon-host linking to the host),
#                           bin on Windows, where DLLs are found beside the program.
#   <libdir>/               the logging library and the OS layer it builds on (static, or the
#                           shared logging library with its version links); afxlayer's import
#                           library on Windows. GNUInstallDirs' folder: on Debian the multiarch
#                           one (lib/x86_64-linux-gnu), as Debian's own packages have it.
#   include/addon001/log/   the logging library's headers: #include <addon001/log/...>
#   include/addon001/afx/, include/addon001/addon/, include/addon001/platform/
#                           the class-library layer and the add-on interface, for developers of
#                           other add-ons, and the OS layer's COM error type
#   <libdir>/cmake/AddonLog/  find_package(AddonLog): AddonLog::addonlog
#   <libdir>/cmake/Addon001/  find_package(Addon001): Addon001::afxlayer, Addon001::interface
#   <libdir>/pkgconfig/     addonlog.pc
#   share/man/man1/         the manual pages of addon-host and addon-log (Linux)
#
# Install components: `runtime` (what the host application needs; the Debian package addon001
# and the Windows zip hold only this), `development` (the class-library layer's and the
# interface's headers and package; addon001-dev), `log_runtime` (the shared logging library,
# when it is built shared; libaddonlog1) and `log_development` (the logging library's headers,
# libraries and packages; libaddonlog-dev).
#
# With ADDON001_INSTALL off (the default when another project adds this one), the logging
# library's rules are still declared, but EXCLUDE_FROM_ALL: `cmake --install` installs nothing of
# them, yet the library is in an export set, so that the other project can install(EXPORT) its
# own targets that link it (CMake requires every linked target to be in one).
if(NOT WIN32 AND PROJECT_IS_TOP_LEVEL AND CMAKE_LIBRARY_ARCHITECTURE AND EXISTS /etc/debian_version
   AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH
      "Object code libraries (the Debian multiarch folder)")
endif()
include(GNUInstallDirs)

if(WIN32)
  set(ADDON_INSTALL_RUNTIME_DIR ${CMAKE_INSTALL_BINDIR})
else()
  set(ADDON_INSTALL_RUNTIME_DIR ${CMAKE_INSTALL_LIBDIR}/addon001)
endif()
set(ADDON_INSTALL_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR})
set(ADDON_INSTALL_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake)
if(ADDON001_INSTALL)
  set(ADDON_INSTALL_OPTIONAL "")
else()
  set(ADDON_INSTALL_OPTIONAL EXCLUDE_FROM_ALL)
endif()

# A program or module that the host application runs or loads. It finds the shared libraries
# of the runtime folder beside itself, and a shared logging library in the library folder above
# (where the dynamic linker looks anyway in /usr, but not below another prefix).
function(addon_install_runtime target)
  set(rpath "$ORIGIN")
  if(ADDONLOG_SHARED AND NOT WIN32)
    file(RELATIVE_PATH to_libdir /${ADDON_INSTALL_RUNTIME_DIR} /${CMAKE_INSTALL_LIBDIR})
    list(APPEND rpath "$ORIGIN/${to_libdir}")
  endif()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${rpath}")
  if(NOT ADDON001_INSTALL)
    return()
  endif()
  install(TARGETS ${target}
    RUNTIME DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime
    LIBRARY DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime)
endfunction()

# A library for other developers, exported with the package whose export set is named, its
# archive and development files in `component` (default: development). A shared library goes
# to the runtime folder, since the installed programs and modules load it beside them.
function(addon_install_library target export_set)
  cmake_parse_arguments(ARG "" "COMPONENT" "" ${ARGN})
  if(NOT ARG_COMPONENT)
    set(ARG_COMPONENT development)
  endif()
  # Options before the first artifact kind apply to all of them.
  install(TARGETS ${target} EXPORT ${export_set} ${ADDON_INSTALL_OPTIONAL}
    RUNTIME DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime
    LIBRARY DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime
            NAMELINK_COMPONENT ${ARG_COMPONENT}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${ARG_COMPONENT}
    INCLUDES DESTINATION ${ADDON_INSTALL_INCLUDE_DIR})
endfunction()

# Headers below include/: addon_install_headers(DIRECTORY dir DESTINATION sub) installs the
# headers of the folder `dir` (with its subfolders) as include/sub/<name of dir>;
# addon_install_headers(FILES file... DESTINATION sub) the files given, as include/sub/.
# COMPONENT: default development.
function(addon_install_headers)
  cmake_parse_arguments(ARG "" "DESTINATION;COMPONENT" "DIRECTORY;FILES" ${ARGN})
  if(NOT ARG_COMPONENT)
    set(ARG_COMPONENT development)
  endif()
  if(ARG_DIRECTORY)
    install(DIRECTORY ${ARG_DIRECTORY}
      DESTINATION ${ADDON_INSTALL_INCLUDE_DIR}/${ARG_DESTINATION}
      COMPONENT ${ARG_COMPONENT} ${ADDON_INSTALL_OPTIONAL}
      FILES_MATCHING PATTERN "*.h")
  endif()
  if(ARG_FILES)
    install(FILES ${ARG_FILES}
      DESTINATION ${ADDON_INSTALL_INCLUDE_DIR}/${ARG_DESTINATION}
      COMPONENT ${ARG_COMPONENT} ${ADDON_INSTALL_OPTIONAL})
  endif()
endfunction()

# Puts the command `name` on the search path as a relative link to a program of the runtime
# folder (Linux; on Windows the runtime folder is the program folder already).
function(addon_install_command_link target)
  if(WIN32 OR NOT ADDON001_INSTALL)
    return()
  endif()
  set(link ${CMAKE_CURRENT_BINARY_DIR}/command-link/${target})
  file(RELATIVE_PATH link_target /${CMAKE_INSTALL_BINDIR} /${ADDON_INSTALL_RUNTIME_DIR}/${target})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/command-link)
  file(CREATE_LINK ${link_target} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
endfunction()
