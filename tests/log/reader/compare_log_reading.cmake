# Writes a log set with this build's sink (run through EMULATOR, so a Windows build writes CR LF
# line ends) and reads it with this build's addon-log and with another build's (for instance
# the Linux one): both must print the same records, as JSON Lines and as text (line ends aside).
#   cmake -DWRITER=<program> -DREADER=<program> -DREFERENCE_READER=<program> [-DEMULATOR=<runner>]
#         -DFOLDER=<scratch folder> -P compare_log_reading.cmake
foreach(variable WRITER READER REFERENCE_READER)
  if(NOT EXISTS "${${variable}}")
    message(FATAL_ERROR "${variable} '${${variable}}' does not exist")
  endif()
endforeach()
string(REPLACE "|" ";" EMULATOR "${EMULATOR}")

file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER})
set(live ${FOLDER}/app.log)
execute_process(COMMAND ${EMULATOR} ${WRITER} ${live} RESULT_VARIABLE result ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "writing the set failed (${result}): ${err}")
endif()
if(NOT EXISTS ${live}.2)
  message(FATAL_ERROR "the set did not rotate twice")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../support/run_and_read.cmake)

foreach(format --json --stats)
  run_and_read(reference ${REFERENCE_READER} ${live} ${format})
  run_and_read(records ${EMULATOR} ${READER} ${live} ${format})
  if(NOT records STREQUAL reference)
    file(WRITE ${FOLDER}/reference${format}.txt "${reference}")
    file(WRITE ${FOLDER}/this${format}.txt "${records}")
    message(FATAL_ERROR "the readers differ on ${format}: see ${FOLDER}/reference${format}.txt "
                        "and ${FOLDER}/this${format}.txt")
  endif()
endforeach()
# Guard against two equally broken readings: 160 records, none cut, with their continuations.
run_and_read(json ${REFERENCE_READER} ${live} --json)
string(REGEX MATCHALL "\"truncated\":false" whole "${json}")
string(REGEX MATCHALL "\\\\n  continued\\\\n\\\\tand tabbed" continued "${json}")
list(LENGTH whole count)
list(LENGTH continued continuations)
if(NOT count EQUAL 160 OR NOT continuations EQUAL 40)
  message(FATAL_ERROR "unexpected records: ${count} whole, ${continuations} continued")
endif()
file(REMOVE_RECURSE ${FOLDER})
message(STATUS "both readers read the same 160 records")
