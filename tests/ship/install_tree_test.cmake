# cmake --install into a scratch prefix: the layout, the installed host answering from the
# installed module, and a consumer project built against the tree with find_package.
# Inputs: BUILD_DIR SCRATCH CONSUMER_SOURCE GENERATOR CXX_COMPILER BUILD_TYPE RUNTIME_DIR
#         BIN_DIR LIB_DIR INCLUDE_DIR MODULE_SUFFIX EXE_SUFFIX [TOOLCHAIN_FILE] [EMULATOR]
#         [CONSUMER_ARGS] (more -D settings for the consumer, ";"-separated as "|")
include(${CMAKE_CURRENT_LIST_DIR}/ship_test_steps.cmake)

file(REMOVE_RECURSE ${SCRATCH})
set(prefix ${SCRATCH}/prefix)
ship_run(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --config ${BUILD_TYPE})

set(module ${prefix}/${RUNTIME_DIR}/Addon001${MODULE_SUFFIX})
foreach(file ${module} ${prefix}/${RUNTIME_DIR}/addon-host${EXE_SUFFIX}
        ${prefix}/${INCLUDE_DIR}/afx/cstring.h ${prefix}/${INCLUDE_DIR}/module_loader.h
        ${prefix}/${INCLUDE_DIR}/log_statement.h
        ${prefix}/${LIB_DIR}/cmake/AddonLog/AddonLogConfig.cmake
        ${prefix}/${LIB_DIR}/cmake/AddonLog/AddonLogConfigVersion.cmake
        ${prefix}/${LIB_DIR}/cmake/AddonLog/AddonLogTargets.cmake)
  ship_expect_file(${file})
endforeach()

# The command on the search path reaches the host, which loads the module beside it.
ship_expect_host_runs(${prefix}/${BIN_DIR}/addon-host${EXE_SUFFIX}
                      prefix/${RUNTIME_DIR}/Addon001${MODULE_SUFFIX})

set(consumer_build ${SCRATCH}/consumer-build)
set(configure ${CMAKE_COMMAND} -S ${CONSUMER_SOURCE} -B ${consumer_build} -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_PREFIX_PATH=${prefix})
if(TOOLCHAIN_FILE)
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
endif()
if(CONSUMER_ARGS)
  string(REPLACE "|" ";" consumer_args "${CONSUMER_ARGS}")
  list(APPEND configure ${consumer_args})
endif()
ship_run(COMMAND ${configure})
ship_run(COMMAND ${CMAKE_COMMAND} --build ${consumer_build} --config ${BUILD_TYPE})
# Run from the runtime folder, where Windows also looks for the C++ runtime DLLs.
set(log_file ${SCRATCH}/consumer.log)
ship_run(OUTPUT out WORKING_DIRECTORY ${prefix}/${RUNTIME_DIR}
         COMMAND ${EMULATOR} ${consumer_build}/consumer${EXE_SUFFIX} ${module} ${log_file})
ship_expect_text("${out}" "consumer sees getVer 100")
# The logging library wrote its record.
file(READ ${log_file} log)
ship_expect_text("${log}" "consumer sees getVer 100")

file(REMOVE_RECURSE ${SCRATCH})
