# Steps shared by the shipping tests, which run as CMake scripts (cmake -P).

# Runs a command (in WORKING_DIRECTORY, if given); stops the test with its output unless it
# exits with 0. The output goes to the variable named by OUTPUT.
function(ship_run)
  cmake_parse_arguments(ARG "" "OUTPUT;WORKING_DIRECTORY" "COMMAND" ${ARGN})
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY .)
  endif()
  execute_process(COMMAND ${ARG_COMMAND} RESULT_VARIABLE result OUTPUT_VARIABLE out
                  ERROR_VARIABLE err WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY})
  if(NOT result EQUAL 0)
    list(JOIN ARG_COMMAND " " command_line)
    message(FATAL_ERROR "failed (${result}): ${command_line}\n${out}\n${err}")
  endif()
  if(ARG_OUTPUT)
    set(${ARG_OUTPUT} "${out}" PARENT_SCOPE)
  endif()
endfunction()

function(ship_expect_file file)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "missing: ${file}")
  endif()
endfunction()

function(ship_expect_text text expected)
  string(FIND "${text}" "${expected}" position)
  if(position EQUAL -1)
    message(FATAL_ERROR "expected \"${expected}\" in:\n${text}")
  endif()
endfunction()

# Runs `program`, the host, with no module argument and checks that it answered from the
# Addon001 beside it: its "Module:" line ends in `module_path_end` (written with "/", which
# also matches a Windows path's "\\").
function(ship_expect_host_runs program module_path_end)
  ship_run(OUTPUT out COMMAND ${EMULATOR} ${program})
  string(REGEX MATCH "Module:[^\r\n]*" module_line "${out}")
  string(REPLACE "\\" "/" module_line "${module_line}")
  string(FIND "${module_line}" "/${module_path_end}" position REVERSE)
  string(LENGTH "${module_line}" line_length)
  string(LENGTH "/${module_path_end}" end_length)
  math(EXPR expected_position "${line_length} - ${end_length}")
  if(NOT position EQUAL expected_position)
    message(FATAL_ERROR "expected the module .../${module_path_end} in:\n${out}")
  endif()
  ship_expect_text("${out}" "Identity:          addon001")
  ship_expect_text("${out}" "Version:           100")
endfunction()
