# cmake --install into a scratch prefix: the layout, no test code or internal header in it, the
# installed host answering from the installed module, and a project of another developer that
# logs with the library: built against the installed tree (find_package, and pkg-config where
# there is one, from a C++14 compile), built with the library's source tree added as a
# subdirectory, and fetched with FetchContent from a Git repository pinned to a commit.
# Inputs: BUILD_DIR SCRATCH SOURCE_DIR CONSUMER_SOURCE GENERATOR CXX_COMPILER BUILD_TYPE
#         VERSION RUNTIME_DIR BIN_DIR LIB_DIR INCLUDE_DIR MODULE_SUFFIX EXE_SUFFIX OBJDUMP NM
#         [TOOLCHAIN_FILE] [EMULATOR] [PKG_CONFIG]
#         [CONSUMER_ARGS] (more -D settings for the consumer, ";"-separated as "|")
include(${CMAKE_CURRENT_LIST_DIR}/ship_test_steps.cmake)

file(REMOVE_RECURSE ${SCRATCH})
set(prefix ${SCRATCH}/prefix)
ship_run(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --config ${BUILD_TYPE})

set(runtime ${prefix}/${RUNTIME_DIR})
set(include ${prefix}/${INCLUDE_DIR})
foreach(file ${runtime}/Addon001${MODULE_SUFFIX} ${runtime}/addon-host${EXE_SUFFIX}
        ${runtime}/addon-log${EXE_SUFFIX}
        ${include}/addon001/log/log_statement.h ${include}/addon001/log/version.h
        ${include}/addon001/log/detail/line_stream.h ${include}/addon001/platform/com_error.h
        ${include}/addon001/afx/cstring.h ${include}/addon001/addon/addon_interface.h
        ${prefix}/${LIB_DIR}/pkgconfig/addonlog.pc)
  ship_expect_file(${file})
endforeach()
# The pkg-config file names the installed folders themselves.
file(READ ${prefix}/${LIB_DIR}/pkgconfig/addonlog.pc pc)
ship_expect_text("${pc}" "prefix=${prefix}\n")
ship_expect_text("${pc}" "libdir=\${prefix}/${LIB_DIR}\n")
foreach(package AddonLog Addon001)
  foreach(file Config ConfigVersion Targets)
    ship_expect_file(${prefix}/${LIB_DIR}/cmake/${package}/${package}${file}.cmake)
  endforeach()
endforeach()

# Every header below its library's folder: nothing flat in include/addon001, and neither the
# host's, the add-on's internals nor anything of the tests.
file(GLOB flat ${include}/addon001/*)
list(FILTER flat EXCLUDE REGEX "/(log|platform|afx|addon)$")
file(GLOB_RECURSE unwanted ${include}/*test* ${include}/*init_order* ${include}/*module_loader*
     ${include}/*child_process* ${include}/*enrolment* ${include}/*wide_path_file*)
if(flat OR unwanted)
  message(FATAL_ERROR "headers that do not belong in the tree:\n${flat}\n${unwanted}")
endif()

# No installed library exports anything for tests.
file(GLOB libraries ${runtime}/*${MODULE_SUFFIX} ${runtime}/*.so)
list(FILTER libraries EXCLUDE REGEX "/lib[^/]*\\.dll$")  # the C++ runtime's own DLLs
foreach(library ${libraries})
  ship_exported_names(exported ${library})
  string(REGEX MATCHALL "[A-Za-z_0-9]*[Tt]est[A-Za-z_0-9]*" test_symbols "${exported}")
  if(test_symbols)
    message(FATAL_ERROR "${library} exports symbols for tests: ${test_symbols}")
  endif()
endforeach()

# The command on the search path reaches the host, which loads the module beside it.
ship_expect_host_runs(${prefix}/${BIN_DIR}/addon-host${EXE_SUFFIX}
                      prefix/${RUNTIME_DIR}/Addon001${MODULE_SUFFIX})
ship_expect_log_reader_runs(${prefix}/${BIN_DIR}/addon-log${EXE_SUFFIX} ${SCRATCH}/log)

# The manual pages (Linux) have examples, and the host's lists every check that the installed
# host runs, as many as it runs.
find_program(GZIP gzip)
if(NOT EXE_SUFFIX AND GZIP)
  foreach(program addon-host addon-log)
    ship_expect_file(${prefix}/share/man/man1/${program}.1.gz)
    ship_run(OUTPUT page_${program} COMMAND ${GZIP} -dc ${prefix}/share/man/man1/${program}.1.gz)
    ship_expect_text("${page_${program}}" ".SH EXAMPLES\n")
    string(REPLACE "-" "\\-" roff_name ${program})  # a hyphen in roff: \-
    ship_expect_text("${page_${program}}" ".B ${roff_name} ")
    # Each option's names are a list of tags, and a value is named without CLI11's validators.
    ship_expect_text("${page_${program}}" "\\fB\\-h\\fR, \\fB\\-\\-help\\fR\n")
    if(page_${program} MATCHES ":POSITIVE|Needs:")
      message(FATAL_ERROR "${program}'s manual page shows CLI11's validator or Needs: labels")
    endif()
  endforeach()
  string(REGEX MATCH "\n\\.SH CHECKS\n(.*)" checks "${page_addon-host}")
  string(REGEX REPLACE "\n\\.SH [A-Z].*" "" checks "${CMAKE_MATCH_1}")
  string(REGEX MATCHALL "\n\\.IP " listed "${checks}")
  list(LENGTH listed listed)
  execute_process(COMMAND ${prefix}/${BIN_DIR}/addon-host${EXE_SUFFIX} --check --json
                  OUTPUT_VARIABLE document)
  string(JSON run LENGTH "${document}" checks)
  if(NOT listed EQUAL run OR listed EQUAL 0)
    message(FATAL_ERROR "the manual page lists ${listed} checks, the host runs ${run}:\n${checks}")
  endif()
  ship_expect_text("${checks}" "\\&the module loads\n")
endif()

# Builds the consumer (extra -D settings as arguments), runs it, and checks that it logged and
# that it depends neither on the class-library layer nor on libdl.
function(build_and_run_consumer build)
  set(configure ${CMAKE_COMMAND} -S ${CONSUMER_SOURCE} -B ${build} -G ${GENERATOR}
      -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_CXX_COMPILER=${CXX_COMPILER} ${ARGN})
  if(TOOLCHAIN_FILE)
    list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
  endif()
  if(CONSUMER_ARGS)
    string(REPLACE "|" ";" consumer_args "${CONSUMER_ARGS}")
    list(APPEND configure ${consumer_args})
  endif()
  ship_run(COMMAND ${configure})
  ship_run(COMMAND ${CMAKE_COMMAND} --build ${build} --config ${BUILD_TYPE})
  ship_expect_consumer_runs(${build}/consumer${EXE_SUFFIX} ${build}/consumer.log ${runtime})
endfunction()

# 1. Against the installed tree, through find_package(AddonLog).
build_and_run_consumer(${SCRATCH}/consumer-package -DCMAKE_PREFIX_PATH=${prefix})

# 2. With the library's sources added as a subdirectory: only the library is built, no test,
#    no module, and installing the consumer installs nothing of it.
set(subdirectory_build ${SCRATCH}/consumer-subdirectory)
build_and_run_consumer(${subdirectory_build} -DADDON001_SOURCE_DIR=${SOURCE_DIR})
file(GLOB_RECURSE extra ${subdirectory_build}/*Addon001${MODULE_SUFFIX}
     ${subdirectory_build}/*_test${EXE_SUFFIX} ${subdirectory_build}/*addon-host*)
if(extra)
  message(FATAL_ERROR "the subdirectory build made more than the library:\n${extra}")
endif()
ship_run(COMMAND ${CMAKE_COMMAND} --install ${subdirectory_build} --prefix ${SCRATCH}/nothing)
file(GLOB_RECURSE installed ${SCRATCH}/nothing/*)
list(FILTER installed EXCLUDE REGEX "/(Consumer[^/]*\\.cmake|libconsumer_report\\.a)$")  # its own
if(installed)
  message(FATAL_ERROR "the subdirectory build installed files:\n${installed}")
endif()

# 3. Fetched with FetchContent from a Git repository pinned to a commit, as the docs show it: a
#    copy of the sources committed to a scratch repository, with a later commit on top that the
#    pin must not take.
find_program(GIT git)
if(GIT AND NOT TOOLCHAIN_FILE)
  set(repository ${SCRATCH}/repository)
  file(COPY ${SOURCE_DIR}/ DESTINATION ${repository}
       PATTERN .git EXCLUDE PATTERN build EXCLUDE PATTERN out EXCLUDE)
  set(commit_step "-c user.name=ship -c user.email=ship@example.org commit -q")
  foreach(step "init -q" "add -A" "${commit_step} -m sources")
    separate_arguments(arguments UNIX_COMMAND "${step}")
    ship_run(COMMAND ${GIT} ${arguments} WORKING_DIRECTORY ${repository})
  endforeach()
  ship_run(OUTPUT commit COMMAND ${GIT} rev-parse HEAD WORKING_DIRECTORY ${repository})
  string(STRIP "${commit}" commit)
  file(WRITE ${repository}/CMakeLists.txt "message(FATAL_ERROR \"a later commit was fetched\")\n")
  separate_arguments(arguments UNIX_COMMAND "${commit_step} -a -m later")
  ship_run(COMMAND ${GIT} ${arguments} WORKING_DIRECTORY ${repository})
  build_and_run_consumer(${SCRATCH}/consumer-fetched
    -DADDON001_GIT_REPOSITORY=file://${repository} -DADDON001_GIT_TAG=${commit})
endif()

# 4. With pkg-config, on the build machine's own system.
if(PKG_CONFIG AND NOT TOOLCHAIN_FILE)
  set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIB_DIR}/pkgconfig)
  ship_run(OUTPUT flags COMMAND ${PKG_CONFIG} --cflags --libs addonlog)
  ship_expect_text("${flags}" "-std=c++17")
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(program ${SCRATCH}/consumer-pkg-config)
  if(CONSUMER_ARGS)
    # The sanitizer flags of this build (CMAKE_CXX_FLAGS=..., CMAKE_EXE_LINKER_FLAGS=...).
    string(REGEX MATCHALL "-fsanitize=[^ |]+" sanitizer "${CONSUMER_ARGS}")
    list(REMOVE_DUPLICATES sanitizer)
  endif()
  # A C++14 project: the flags raise the standard to the C++17 the headers need. A shared
  # library below the scratch prefix is found through the program's run path.
  ship_run(COMMAND ${CXX_COMPILER} -std=c++14 ${sanitizer} ${CONSUMER_SOURCE}/main.cpp ${CONSUMER_SOURCE}/report.cpp
           -o ${program} ${flags} -Wl,-rpath,${prefix}/${LIB_DIR})
  ship_expect_consumer_runs(${program} ${SCRATCH}/consumer-pkg-config.log ${runtime})
endif()

file(REMOVE_RECURSE ${SCRATCH})
