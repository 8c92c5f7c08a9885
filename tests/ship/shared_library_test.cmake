# The shared logging library: built from the sources with BUILD_SHARED_LIBS, it is
# libaddonlog.so -> libaddonlog.so.1 (its SONAME) -> libaddonlog.so.1.<minor>.<patch>, exports
# the Log API and nothing of the OS layer, and two shared libraries of one process that link it
# share its one sink: the file the first opens takes the records of both. Built static, each
# library has a sink of its own and the second one's record is lost, as the docs say.
# Inputs: SCRATCH SOURCE_DIR PROJECT_SOURCE GENERATOR CXX_COMPILER BUILD_TYPE NM READELF
include(${CMAKE_CURRENT_LIST_DIR}/ship_test_steps.cmake)

file(REMOVE_RECURSE ${SCRATCH})

function(build_and_run build shared)
  ship_run(COMMAND ${CMAKE_COMMAND} -S ${PROJECT_SOURCE} -B ${build} -G ${GENERATOR}
           -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
           -DADDON001_SOURCE_DIR=${SOURCE_DIR} -DBUILD_SHARED_LIBS=${shared})
  ship_run(COMMAND ${CMAKE_COMMAND} --build ${build} --config ${BUILD_TYPE})
  ship_run(OUTPUT out COMMAND ${build}/two_modules ${build}/two.log)
  file(READ ${build}/two.log log)
  set(output "${out}" PARENT_SCOPE)
  set(log "${log}" PARENT_SCOPE)
endfunction()

# Shared: one sink.
set(shared ${SCRATCH}/shared)
build_and_run(${shared} ON)
ship_expect_text("${output}" "second module: log file open")
ship_expect_text("${log}" " INF ")
ship_expect_text("${log}" "record of the first module")
ship_expect_text("${log}" " WAR ")
ship_expect_text("${log}" "record of the second module")

# The library and its version links.
file(GLOB_RECURSE library ${shared}/*libaddonlog.so.${VERSION})
list(LENGTH library count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one libaddonlog.so.${VERSION} below ${shared}, found: ${library}")
endif()
get_filename_component(folder ${library} DIRECTORY)
string(REGEX MATCH "^[0-9]+" major "${VERSION}")
file(READ_SYMLINK ${folder}/libaddonlog.so.${major} target)
file(READ_SYMLINK ${folder}/libaddonlog.so namelink)
if(NOT target STREQUAL "libaddonlog.so.${VERSION}" OR NOT namelink STREQUAL "libaddonlog.so.${major}")
  message(FATAL_ERROR "links: libaddonlog.so -> ${namelink}, libaddonlog.so.${major} -> ${target}")
endif()
ship_run(OUTPUT dynamic COMMAND ${READELF} -d ${library})
ship_expect_text("${dynamic}" "Library soname: [libaddonlog.so.${major}]")
foreach(module first second)
  file(GLOB_RECURSE module_file ${shared}/lib${module}.so)
  ship_run(OUTPUT dynamic COMMAND ${READELF} -d ${module_file})
  ship_expect_text("${dynamic}" "Shared library: [libaddonlog.so.${major}]")
endforeach()

# Only the Log API is exported: every defined symbol is of namespace Log (functions, data,
# vtables, type information), none of the OS layer or of Boost. A function's parameters may be
# of the OS layer's types; its name is what counts.
ship_run(OUTPUT exported COMMAND ${NM} -D --defined-only --demangle ${library})
string(REGEX MATCHALL "[^\n]+" symbols "${exported}")
set(foreign "")
foreach(symbol ${symbols})
  string(REGEX REPLACE "\\(.*" "" name "${symbol}")
  if(NOT name MATCHES "Log::" OR name MATCHES "platform::|boost::")
    string(APPEND foreign "${symbol}\n")
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "libaddonlog exports more than the Log API:\n${foreign}")
endif()
ship_expect_text("${exported}" "Log::RollingOutputToFile::write")
ship_expect_text("${exported}" "Log::levelName")

# Static: two sinks. The second library's own sink was never opened, so its record is gone.
build_and_run(${SCRATCH}/static OFF)
ship_expect_text("${output}" "second module: log file closed")
ship_expect_text("${log}" "record of the first module")
string(FIND "${log}" "record of the second module" position)
if(NOT position EQUAL -1)
  message(FATAL_ERROR "static copies shared a sink after all:\n${log}")
endif()

file(REMOVE_RECURSE ${SCRATCH})
