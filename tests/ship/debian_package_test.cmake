# The Debian packages: made by CPack, addon001 with the runtime only and addon001-dev with the
# libraries and headers; both unpacked into a scratch root with dpkg -x, and the host run from
# there against the packaged module, and the log reader on a small log set.
# Inputs: BUILD_DIR SCRATCH RUNTIME_DIR LIB_DIR NM
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

# What apt-get needs to install them: the runtime libraries the runtime depends on, and the
# runtime and Boost's headers for the development package.
ship_run(OUTPUT depends COMMAND dpkg-deb --field ${runtime} Depends)
ship_expect_text("${depends}" "libc6")
ship_expect_text("${depends}" "libstdc++6")
ship_run(OUTPUT depends COMMAND dpkg-deb --field ${development} Depends)
ship_expect_text("${depends}" "addon001 (= ")
ship_expect_text("${depends}" "libboost-dev")

# The runtime package: host, log reader, module, class-library layer and the command links,
# nothing else.
ship_run(OUTPUT listing COMMAND dpkg-deb --contents ${runtime})
foreach(path usr/bin/addon-host usr/${RUNTIME_DIR}/addon-host usr/${RUNTIME_DIR}/Addon001.so
        usr/${RUNTIME_DIR}/afxlayer.so usr/bin/addon-log usr/${RUNTIME_DIR}/addon-log)
  ship_expect_text("${listing}" "./${path}")
endforeach()
foreach(absent include/ cmake/ pkgconfig/ .a\n)
  string(FIND "${listing}" "${absent}" position)
  if(NOT position EQUAL -1)
    message(FATAL_ERROR "development file in the runtime package (${absent}):\n${listing}")
  endif()
endforeach()

# The development package: the libraries, their headers and package files.
ship_run(OUTPUT listing COMMAND dpkg-deb --contents ${development})
foreach(path usr/include/addon001/log/log_statement.h usr/include/addon001/afx/cstring.h
        usr/${LIB_DIR}/libaddonlog.a usr/${LIB_DIR}/cmake/AddonLog/AddonLogConfig.cmake
        usr/${LIB_DIR}/pkgconfig/addonlog.pc)
  ship_expect_text("${listing}" "./${path}")
endforeach()
string(FIND "${listing}" "${RUNTIME_DIR}/" position)
if(NOT position EQUAL -1)
  message(FATAL_ERROR "runtime file in the development package:\n${listing}")
endif()

set(root ${SCRATCH}/root)
ship_run(COMMAND dpkg -x ${runtime} ${root})
ship_run(COMMAND dpkg -x ${development} ${root})
# No packaged library exports anything for tests.
foreach(library Addon001.so afxlayer.so)
  ship_exported_names(exported ${root}/usr/${RUNTIME_DIR}/${library})
  if(exported MATCHES "[Tt]est")
    message(FATAL_ERROR "${library} exports symbols for tests:\n${exported}")
  endif()
endforeach()
ship_expect_host_runs(${root}/usr/bin/addon-host root/usr/${RUNTIME_DIR}/Addon001.so)
ship_expect_log_reader_runs(${root}/usr/bin/addon-log ${SCRATCH}/log)

file(REMOVE_RECURSE ${SCRATCH})
