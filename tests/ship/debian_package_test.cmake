# The Debian packages: made by CPack, addon001 with the runtime only, addon001-dev for other
# add-ons and libaddonlog-dev with the logging library (which needs nothing of the add-on); all
# checked by lintian (no error allowed) and unpacked into a scratch root with dpkg -x, and the host run from
# there against the packaged module, and the log reader on a small log set. With the shared
# logging library (SHARED), libaddonlog1 holds it and the runtime depends on that.
# Inputs: BUILD_DIR SCRATCH RUNTIME_DIR LIB_DIR NM [LINTIAN] [SHARED]
include(${CMAKE_CURRENT_LIST_DIR}/ship_test_steps.cmake)

file(REMOVE_RECURSE ${SCRATCH})
ship_run(COMMAND cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${SCRATCH}/packages)
function(find_one_package variable pattern)
  file(GLOB packages ${SCRATCH}/packages/${pattern})
  list(LENGTH packages count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package ${pattern}, found: ${packages}")
  endif()
  set(${variable} ${packages} PARENT_SCOPE)
endfunction()
find_one_package(runtime addon001_*.deb)
find_one_package(development addon001-dev_*.deb)
find_one_package(log_development libaddonlog-dev_*.deb)
file(GLOB log_runtime ${SCRATCH}/packages/libaddonlog1_*.deb)
if(SHARED AND NOT log_runtime)
  message(FATAL_ERROR "no libaddonlog1 package from the build with the shared logging library")
elseif(NOT SHARED AND log_runtime)
  message(FATAL_ERROR "a libaddonlog1 package from the build with the static logging library")
endif()

# lintian finds no error in any package (the -dbgsym ones included). Warnings are printed.
if(LINTIAN)
  file(GLOB all_packages ${SCRATCH}/packages/*.deb ${SCRATCH}/packages/*.ddeb)
  execute_process(COMMAND ${LINTIAN} --no-cfg --fail-on error ${all_packages}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  message(STATUS "lintian:\n${out}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "lintian found errors (${result}):\n${out}")
  endif()
endif()

# What apt-get needs to install them: the runtime libraries the runtime depends on, and the
# runtime and Boost's headers for the development package.
ship_run(OUTPUT depends COMMAND dpkg-deb --field ${runtime} Depends)
ship_expect_text("${depends}" "libc6")
ship_expect_text("${depends}" "libstdc++6")
if(SHARED)
  ship_expect_text("${depends}" "libaddonlog1 (= ")
  ship_run(OUTPUT listing COMMAND dpkg-deb --contents ${log_runtime})
  foreach(path usr/${LIB_DIR}/libaddonlog.so.1 usr/share/doc/libaddonlog1/copyright)
    ship_expect_text("${listing}" "./${path}")
  endforeach()
  if(listing MATCHES "include/|\\.a\n|libaddonlog\\.so ")
    message(FATAL_ERROR "development files in libaddonlog1:\n${listing}")
  endif()
endif()
ship_run(OUTPUT depends COMMAND dpkg-deb --field ${development} Depends)
ship_expect_text("${depends}" "addon001 (= ")
ship_expect_text("${depends}" "libaddonlog-dev (= ")
ship_run(OUTPUT depends COMMAND dpkg-deb --field ${log_development} Depends)
ship_expect_text("${depends}" "libboost-dev")
if(depends MATCHES "addon001")
  message(FATAL_ERROR "the logging library's package depends on the add-on's: ${depends}")
endif()

# The runtime package: host, log reader, module, class-library layer and the command links,
# nothing else.
ship_run(OUTPUT listing COMMAND dpkg-deb --contents ${runtime})
foreach(path usr/bin/addon-host usr/${RUNTIME_DIR}/addon-host usr/${RUNTIME_DIR}/Addon001.so
        usr/${RUNTIME_DIR}/afxlayer.so.1 usr/bin/addon-log usr/${RUNTIME_DIR}/addon-log
        usr/share/man/man1/addon-host.1.gz usr/share/man/man1/addon-log.1.gz
        usr/share/doc/addon001/copyright usr/share/doc/addon001/changelog.gz)
  ship_expect_text("${listing}" "./${path}")
endforeach()
foreach(absent include/ cmake/ pkgconfig/ .a\n)
  string(FIND "${listing}" "${absent}" position)
  if(NOT position EQUAL -1)
    message(FATAL_ERROR "development file in the runtime package (${absent}):\n${listing}")
  endif()
endforeach()

# The development packages: the class-library layer's and the logging library's headers,
# libraries and package files, no runtime file.
ship_run(OUTPUT listing COMMAND dpkg-deb --contents ${development})
foreach(path usr/include/addon001/afx/cstring.h usr/include/addon001/addon/addon_interface.h
        usr/include/addon001/addon/addon_exports.h
        usr/${LIB_DIR}/cmake/Addon001/Addon001Config.cmake
        usr/${LIB_DIR}/cmake/Addon001/Addon001AddAddon.cmake
        usr/${LIB_DIR}/cmake/Addon001/addon_exports.map usr/${RUNTIME_DIR}/afxlayer.so)
  ship_expect_text("${listing}" "./${path}")
endforeach()
if(listing MATCHES "addon001/log/|/afxlayer\\.so\\.1|addon-host")
  message(FATAL_ERROR "files of another package in addon001-dev:\n${listing}")
endif()
ship_run(OUTPUT listing COMMAND dpkg-deb --contents ${log_development})
if(SHARED)
  set(log_library libaddonlog.so)  # the link for linking; the library is in libaddonlog1
else()
  set(log_library libaddonlog.a)
endif()
foreach(path usr/include/addon001/log/log_statement.h usr/include/addon001/platform/com_error.h
        usr/${LIB_DIR}/${log_library} usr/${LIB_DIR}/cmake/AddonLog/AddonLogConfig.cmake
        usr/${LIB_DIR}/pkgconfig/addonlog.pc usr/share/doc/libaddonlog-dev/copyright)
  ship_expect_text("${listing}" "./${path}")
endforeach()
if(listing MATCHES "${RUNTIME_DIR}/|addon001/afx/")
  message(FATAL_ERROR "files of the add-on in libaddonlog-dev:\n${listing}")
endif()

set(root ${SCRATCH}/root)
ship_run(COMMAND dpkg -x ${runtime} ${root})
ship_run(COMMAND dpkg -x ${development} ${root})
ship_run(COMMAND dpkg -x ${log_development} ${root})
if(SHARED)
  ship_run(COMMAND dpkg -x ${log_runtime} ${root})
  # The host finds the shared library where the package put it, as the dynamic linker would.
  set(ENV{LD_LIBRARY_PATH} ${root}/usr/${LIB_DIR})
endif()
file(READ ${root}/usr/${LIB_DIR}/pkgconfig/addonlog.pc pc)
ship_expect_text("${pc}" "prefix=/usr\n")
# No packaged library exports anything for tests.
foreach(library Addon001.so afxlayer.so.1)
  ship_exported_names(exported ${root}/usr/${RUNTIME_DIR}/${library})
  if(exported MATCHES "[Tt]est")
    message(FATAL_ERROR "${library} exports symbols for tests:\n${exported}")
  endif()
endforeach()
ship_expect_host_runs(${root}/usr/bin/addon-host root/usr/${RUNTIME_DIR}/Addon001.so)
ship_expect_log_reader_runs(${root}/usr/bin/addon-log ${SCRATCH}/log)

file(REMOVE_RECURSE ${SCRATCH})
