# The Windows zip: made by CPack, unpacked into a scratch folder, and the host run from there
# (under the emulator) against the packed module, and the log reader on a small log set.
# Inputs: BUILD_DIR SCRATCH RUNTIME_DIR EMULATOR OBJDUMP
include(${CMAKE_CURRENT_LIST_DIR}/ship_test_steps.cmake)

file(REMOVE_RECURSE ${SCRATCH})
ship_run(COMMAND cpack -G ZIP --config ${BUILD_DIR}/CPackConfig.cmake -B ${SCRATCH}/packages)
file(GLOB packages ${SCRATCH}/packages/addon001-*.zip)
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one zip, found: ${packages}")
endif()

set(unpacked ${SCRATCH}/unpacked)
file(MAKE_DIRECTORY ${unpacked})
ship_run(COMMAND ${CMAKE_COMMAND} -E chdir ${unpacked} ${CMAKE_COMMAND} -E tar xf ${packages})
file(GLOB top ${unpacked}/addon001-*)
set(folder ${top}/${RUNTIME_DIR})
foreach(file addon-host.exe addon-log.exe Addon001.dll afxlayer.dll libstdc++-6.dll libgcc_s_seh-1.dll
        libwinpthread-1.dll)
  ship_expect_file(${folder}/${file})
endforeach()
# No packed library exports anything for tests.
foreach(library Addon001.dll afxlayer.dll)
  ship_exported_names(exported ${folder}/${library})
  if(exported MATCHES "[Tt]est")
    message(FATAL_ERROR "${library} exports symbols for tests:\n${exported}")
  endif()
endforeach()
get_filename_component(top_name ${top} NAME)
ship_expect_host_runs(${folder}/addon-host.exe unpacked/${top_name}/${RUNTIME_DIR}/Addon001.dll)
ship_expect_log_reader_runs(${folder}/addon-log.exe ${SCRATCH}/log)

file(REMOVE_RECURSE ${SCRATCH})
