# The Debian package: made by CPack, unpacked into a scratch root with dpkg -x, and the host run
# from there against the packaged module.
# Inputs: BUILD_DIR SCRATCH RUNTIME_DIR
include(${CMAKE_CURRENT_LIST_DIR}/ship_test_steps.cmake)

file(REMOVE_RECURSE ${SCRATCH})
ship_run(COMMAND cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${SCRATCH}/packages)
file(GLOB packages ${SCRATCH}/packages/addon001_*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package, found: ${packages}")
endif()

# What apt-get needs to install it: the runtime libraries it depends on.
ship_run(OUTPUT depends COMMAND dpkg-deb --field ${packages} Depends)
ship_expect_text("${depends}" "libc6")
ship_expect_text("${depends}" "libstdc++6")

# Only the runtime: host, module, class-library layer and the command link.
ship_run(OUTPUT listing COMMAND dpkg-deb --contents ${packages})
foreach(path usr/bin/addon-host usr/${RUNTIME_DIR}/addon-host usr/${RUNTIME_DIR}/Addon001.so
        usr/${RUNTIME_DIR}/afxlayer.so)
  ship_expect_text("${listing}" "./${path}")
endforeach()
foreach(absent include/ cmake/ .a\n)
  string(FIND "${listing}" "${absent}" position)
  if(NOT position EQUAL -1)
    message(FATAL_ERROR "development file in the package (${absent}):\n${listing}")
  endif()
endforeach()

set(root ${SCRATCH}/root)
ship_run(COMMAND dpkg -x ${packages} ${root})
ship_expect_host_runs(${root}/usr/bin/addon-host root/usr/${RUNTIME_DIR}/Addon001.so)

file(REMOVE_RECURSE ${SCRATCH})
