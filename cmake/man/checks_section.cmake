# Writes the include file of addon-host's manual page: the static sections of TEMPLATE and a
# CHECKS section with the title of every check that --check runs, in its order, as the built
# host names them (asked of the built module, every one of whose checks runs).
# Inputs: HOST MODULE TEMPLATE OUTPUT
execute_process(COMMAND ${HOST} --check --json ${MODULE}
                RESULT_VARIABLE result OUTPUT_VARIABLE document ERROR_VARIABLE error)
# 0: every check passed, 3: one failed; both list every check.
if(NOT result EQUAL 0 AND NOT result EQUAL 3)
  message(FATAL_ERROR "addon-host --check --json ${MODULE} gave no list of checks "
                      "(exit code ${result}):\n${error}")
endif()
string(JSON count LENGTH "${document}" checks)
if(count EQUAL 0)
  message(FATAL_ERROR "addon-host --check --json ${MODULE} listed no check")
endif()
string(CONCAT section "[CHECKS]\n\\fB\\-\\-check\\fR runs these ${count} checks, in this order. "
       "Each prints PASS, FAIL with what it saw, or SKIP with why it could not run (an export "
       "the module lacks, a failed load, another C++ runtime).\n.PD 0\n")
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
  string(JSON title GET "${document}" checks ${index} name)
  # roff: a backslash is written \e, and a line must not start with a control character.
  string(REPLACE "\\" "\\e" title "${title}")
  string(REPLACE "-" "\\-" title "${title}")
  string(APPEND section ".IP \\(bu 2\n\\&${title}\n")
endforeach()
string(APPEND section ".PD\n")
file(READ ${TEMPLATE} static)
file(WRITE ${OUTPUT} "${static}\n${section}")
