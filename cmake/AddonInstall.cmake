# Where `cmake --install` puts things, and the helpers with which each folder's CMakeLists
# installs the targets it defines.
#
#   <runtime folder>        addon-host, Addon001, afxlayer (and, on Windows, the C++ runtime
#                           DLLs): one folder, so that the host finds the module beside it and
#                           both find the class-library layer beside them.
#                           lib/addon001 on Linux (with bin/addon-host linking to the host),
#                           bin on Windows, where DLLs are found beside the program.
#   lib/                    the static libraries add-on developers link (logging library and
#                           the platform layer it builds on); afxlayer's import library on Windows
#   include/addon001/       their headers, included as "log_statement.h", "afx/cstring.h", ...
#   lib/cmake/AddonLog/     the package configuration: find_package(AddonLog) gives the
#                           imported targets AddonLog::addonlog, AddonLog::platform and
#                           AddonLog::afxlayer
#
# Two install components: `runtime` (what the host application needs; the Debian package and
# the Windows zip hold only this) and `development` (static libraries, headers, package files).
include(GNUInstallDirs)

if(WIN32)
  set(ADDON_INSTALL_RUNTIME_DIR ${CMAKE_INSTALL_BINDIR})
else()
  set(ADDON_INSTALL_RUNTIME_DIR ${CMAKE_INSTALL_LIBDIR}/addon001)
endif()
set(ADDON_INSTALL_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/addon001)
set(ADDON_INSTALL_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/AddonLog)

# A program or module that the host application runs or loads. It finds the shared libraries
# of the runtime folder beside itself.
function(addon_install_runtime target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target}
    RUNTIME DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime
    LIBRARY DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime)
endfunction()

# A library for add-on developers, exported with the AddonLog package. A shared library goes
# to the runtime folder as well, since the installed programs and modules load it.
function(addon_install_library target)
  install(TARGETS ${target} EXPORT AddonLogTargets
    RUNTIME DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime
    LIBRARY DESTINATION ${ADDON_INSTALL_RUNTIME_DIR} COMPONENT runtime
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
    INCLUDES DESTINATION ${ADDON_INSTALL_INCLUDE_DIR})
endfunction()

# The headers of the calling folder (and its subfolders) that go with its installed libraries.
function(addon_install_headers)
  install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/
    DESTINATION ${ADDON_INSTALL_INCLUDE_DIR}
    COMPONENT development
    FILES_MATCHING PATTERN "*.h")
endfunction()

# Puts the command `name` on the search path as a relative link to a program of the runtime
# folder (Linux; on Windows the runtime folder is the program folder already).
function(addon_install_command_link target)
  if(WIN32)
    return()
  endif()
  set(link ${CMAKE_CURRENT_BINARY_DIR}/command-link/${target})
  file(RELATIVE_PATH link_target /${CMAKE_INSTALL_BINDIR} /${ADDON_INSTALL_RUNTIME_DIR}/${target})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/command-link)
  file(CREATE_LINK ${link_target} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
endfunction()
