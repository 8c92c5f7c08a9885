# The kit for developers of other add-ons, from the installed tree as they get it: the example
# add-on (examples/minimal-addon), built with find_package(Addon001) and addon001_add_addon
# only, is <name>.so, exports exactly the six functions of the interface and passes its CHECK
# test, the installed addon-host --check, with a JUnit report; an add-on that marks a seventh
# function exports only the six, and its CHECK test fails on its contract fault; one that calls
# an undefined function does not link.
# Inputs: BUILD_DIR SCRATCH EXAMPLE_SOURCE FAULTS_SOURCE GENERATOR CXX_COMPILER BUILD_TYPE
#         MODULE_SUFFIX NM [CONSUMER_ARGS] (more -D settings, ";"-separated as "|")
include(${CMAKE_CURRENT_LIST_DIR}/ship_test_steps.cmake)

file(REMOVE_RECURSE ${SCRATCH})
set(prefix ${SCRATCH}/prefix)
ship_run(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --config ${BUILD_TYPE})

string(REPLACE "|" ";" extra_args "${CONSUMER_ARGS}")
# Configures and builds the project `source` in `build` against the installed tree; the result
# of the build goes to the variable `result`, its output to `output`.
function(build_project source build)
  ship_run(COMMAND ${CMAKE_COMMAND} -S ${source} -B ${build} -G ${GENERATOR}
           -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
           -DCMAKE_PREFIX_PATH=${prefix} ${extra_args} ${ARGN})
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${build} --config ${BUILD_TYPE}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(result ${result} PARENT_SCOPE)
  set(output "${out}${err}" PARENT_SCOPE)
endfunction()

# The function names a module exports, sorted.
function(exported_functions variable module)
  ship_exported_names(table ${module})
  string(REGEX MATCHALL "[^ \n]+\n" names "${table}")
  string(REPLACE "\n" "" names "${names}")
  list(SORT names)
  set(${variable} "${names}" PARENT_SCOPE)
endfunction()
set(six_functions getAsDIVector getAsFIVector getFeature getFeaturesAndVersions getInterfaceVer
    getVer)

# Builds the add-on project `source` in `build` and expects its module `name` to export exactly
# the six functions; `what` names the add-on in a failure.
function(expect_six_exports source build name what)
  build_project(${source} ${build})
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} does not build:\n${output}")
  endif()
  ship_expect_file(${build}/${name}${MODULE_SUFFIX})
  exported_functions(exported ${build}/${name}${MODULE_SUFFIX})
  if(NOT exported STREQUAL six_functions)
    message(FATAL_ERROR "${what} exports ${exported}, not the six functions ${six_functions}")
  endif()
endfunction()

# Runs ctest in `build`; the exit code goes to `result`, the output to `output`.
function(run_ctest build)
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --output-on-failure WORKING_DIRECTORY ${build}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(result ${result} PARENT_SCOPE)
  set(output "${out}${err}" PARENT_SCOPE)
endfunction()

# 1. The example: builds, is named as the host loads it, exports the six functions only (none
#    of the std:: code it instantiates) and passes the host's check.
set(example ${SCRATCH}/example)
expect_six_exports(${EXAMPLE_SOURCE} ${example} MinimalAddon "the example add-on")
run_ctest(${example})
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the example's check failed:\n${output}")
endif()
ship_expect_text("${output}" "MinimalAddon_check")
file(READ ${example}/MinimalAddon_check.xml report)
ship_expect_text("${report}" "<testsuite ")
ship_expect_text("${report}" "failures=\"0\"")
if(report MATCHES "<failure|<skipped")
  message(FATAL_ERROR "the example's JUnit report holds a failed or skipped check:\n${report}")
endif()

# 2. An add-on that marks a seventh function and keeps the host's stale drive-info: exports the
#    six only, and its check fails.
set(faults ${SCRATCH}/faults)
expect_six_exports(${FAULTS_SOURCE} ${faults} LeakyAddon "the leaky add-on")
run_ctest(${faults})
if(result EQUAL 0)
  message(FATAL_ERROR "the leaky add-on's check passed:\n${output}")
endif()
file(READ ${faults}/LeakyAddon_check.xml report)
if(NOT report MATCHES "<testcase name=\"getAsDIVector returns 0 and empties[^>]*>[ \n]*<failure")
  message(FATAL_ERROR "the leaky add-on's report does not fail the emptying check:\n${report}")
endif()

# 3. An add-on that calls an undefined function fails its link, not the host's load.
build_project(${FAULTS_SOURCE} ${faults} -DKIT_UNDEFINED=ON)
if(result EQUAL 0 OR NOT output MATCHES "undefined reference to `definedNowhere")
  message(FATAL_ERROR "the add-on with an undefined function linked (${result}):\n${output}")
endif()

file(REMOVE_RECURSE ${SCRATCH})
