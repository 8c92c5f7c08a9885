# Where `cmake --install` puts things, and the helpers with which each folder's CMakeLists
# installs the targets it defines. Nothing is installed unless ADDON001_INSTALL is on (the
# default when the project is built on its own).
#
#   <runtime folder>        addon-host, Addon001, afxlayer (and, on Windows, the C++ runtime
#                           DLLs): one folder, so that the host finds the module beside it and
#                           both find the class-library layer beside them.
#                           lib/addon001 on Linux (with bin/addon-host linking to the host),
#                           bin on Windows, where DLLs are found beside the program.
#   lib/                    the logging library and the OS layer it builds on (static);
#                           afxlayer's import library on Windows
#   include/addon001/log/   the logging library's headers: #include <addon001/log/...>
#   include/addon001/afx/, include/addon001/addon/, include/addon001/platform/
#                           the class-library layer and the add-on interface, for developers of
#                           other add-ons, and the OS layer's COM error type
#   lib/cmake/AddonLog/     find_package(AddonLog): AddonLog::addonlog
#   lib/cmake/Addon001/     find_package(Addon001): Addon001::afxlayer, Addon001::interface
#   lib/pkgconfig/          addonlog.pc
#
# Two install components: `runtime` (what the host application needs; the Debian package
# addon001 and the Windows zip hold only this) and `development` (static libraries, headers,
# package files; the Debian package addon001-dev).
include(GNUInstallDirs)

if(WIN32)
  set(ADDON_INSTALL_RUNTIME_DIR ${CMAKE_INSTALL_BINDIR})
else()
  set(ADDON_INSTALL_RUNTIME_DIR ${CMAKE_INSTALL_LIBDIR}/addon001)
endif()
set(ADDON_INSTALL_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR})
set(ADDON_INSTALL_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake)

# A program or module that the host application runs or loads. It finds the shared libraries
# of the runtime folder beside itself.
function(addon_install_runtime target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  if(NOT ADDON001_INSTALL)
    return()
  endif()
  install(TARGETS ${target}
    RUNTIME DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime
    LIBRARY DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime)
endfunction()

# A library for other developers, exported with the package whose export set is named. A
# shared library goes to the runtime folder as well, since the installed programs and modules
# load it.
function(addon_install_library target export_set)
  if(NOT ADDON001_INSTALL)
    return()
  endif()
  install(TARGETS ${target} EXPORT ${export_set}
    RUNTIME DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime
    LIBRARY DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
    INCLUDES DESTINATION ${ADDON_INSTALL_INCLUDE_DIR})
endfunction()

# Headers below include/: addon_install_headers(DIRECTORY dir DESTINATION sub) installs the
# headers of the folder `dir` (with its subfolders) as include/sub/<name of dir>;
# addon_install_headers(FILES file... DESTINATION sub) the files given, as include/sub/.
function(addon_install_headers)
  if(NOT ADDON001_INSTALL)
    return()
  endif()
  cmake_parse_arguments(ARG "" "DESTINATION" "DIRECTORY;FILES" ${ARGN})
  if(ARG_DIRECTORY)
    install(DIRECTORY ${ARG_DIRECTORY}
      DESTINATION ${ADDON_INSTALL_INCLUDE_DIR}/${ARG_DESTINATION}
      COMPONENT development
      FILES_MATCHING PATTERN "*.h")
  endif()
  if(ARG_FILES)
    install(FILES ${ARG_FILES}
      DESTINATION ${ADDON_INSTALL_INCLUDE_DIR}/${ARG_DESTINATION}
      COMPONENT development)
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
