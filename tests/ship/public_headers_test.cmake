# Every installed header of the logging library compiles on its own, included as a user
# includes it (-I, not -isystem, so that no warning of ours is hidden), with each compiler and
# standard given and the strictest warnings as errors; once more with ADDONLOG_SHARED, the
# header set a user of the shared library sees.
# Inputs: BUILD_DIR SCRATCH BUILD_TYPE COMPILERS (";"-separated as "|") STANDARDS (likewise)
include(${CMAKE_CURRENT_LIST_DIR}/ship_test_steps.cmake)

file(REMOVE_RECURSE ${SCRATCH})
set(prefix ${SCRATCH}/prefix)
ship_run(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --config ${BUILD_TYPE}
         --component log_development)
file(GLOB_RECURSE headers RELATIVE ${prefix}/include ${prefix}/include/addon001/log/*.h)
list(LENGTH headers count)
if(count LESS 10)
  message(FATAL_ERROR "expected the logging library's headers in ${prefix}/include, found: ${headers}")
endif()

string(REPLACE "|" ";" compilers "${COMPILERS}")
string(REPLACE "|" ";" standards "${STANDARDS}")
set(warnings -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror)
set(failures "")
foreach(header ${headers})
  set(source ${SCRATCH}/${header}.cpp)
  file(WRITE ${source} "#include <${header}>\n")
  foreach(compiler ${compilers})
    foreach(standard ${standards})
      foreach(variant "" -DADDONLOG_SHARED)
        if(variant AND NOT standard EQUAL 17)
          continue()
        endif()
        set(command ${compiler} -std=c++${standard} ${warnings} ${variant} -I${prefix}/include
            -fsyntax-only ${source})
        execute_process(COMMAND ${command} RESULT_VARIABLE result OUTPUT_VARIABLE out
                        ERROR_VARIABLE out)
        if(NOT result EQUAL 0)
          list(JOIN command " " command_line)
          string(APPEND failures "${command_line}\n${out}\n")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "headers that do not compile cleanly on their own:\n${failures}")
endif()
message(STATUS "${count} headers compiled cleanly with ${compilers}, C++ ${standards}")
file(REMOVE_RECURSE ${SCRATCH})
