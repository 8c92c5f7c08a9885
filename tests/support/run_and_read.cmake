# For test scripts run with cmake -P: run_and_read(<variable> <command> [<argument>...]) runs
# the command, which must exit with 0 and print nothing on stderr, and sets <variable> to its
# standard output with LF line ends (a Windows console program ends its lines with CR LF).
function(run_and_read output_variable)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
  string(REPLACE "\r\n" "\n" out "${out}")
  if(NOT result EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "'${ARGN}' failed (${result}):\n${err}")
  endif()
  set(${output_variable} "${out}" PARENT_SCOPE)
endfunction()
