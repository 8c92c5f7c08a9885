# Runs the reference host with --log and checks that the log holds one well-formed record per
# call the host made into the module, as counted from the host's own JSON report.
# Variables: HOST (program), LOG (log file to write), EMULATOR ("|"-separated, may be empty).
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE "${LOG}")
execute_process(COMMAND ${emulator} "${HOST}" --json --drive "NO SUCH" --log "${LOG}"
                OUTPUT_VARIABLE report RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "addon-host failed (${result})")
endif()

# getFeature, getVer and getInterfaceVer, the catalogue when exported, one feature query per row.
string(JSON featureRows LENGTH "${report}" features)
string(JSON catalogueType TYPE "${report}" driveCatalogue)
math(EXPR expected "3 + ${featureRows}")
if(catalogueType STREQUAL "ARRAY")
  math(EXPR expected "${expected} + 1")
endif()

file(STRINGS "${LOG}" records)
list(LENGTH records count)
if(NOT count EQUAL expected)
  message(FATAL_ERROR "expected ${expected} log records, found ${count}:\n${records}")
endif()
set(header "^[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\.[0-9][0-9][0-9] INF [1-9][0-9]* ")
foreach(record IN LISTS records)
  if(NOT record MATCHES "${header}get[A-Za-z]+\\(.*\\) returned -?[0-9]+\r?$")
    message(FATAL_ERROR "malformed log record: ${record}")
  endif()
endforeach()
if(NOT records MATCHES "getFeaturesAndVersions\\(\"NO SUCH\"\\) returned -1")
  message(FATAL_ERROR "no record of the query for the unknown drive type:\n${records}")
endif()
