# Runs two builds of the reference host on the Addon001 beside each and checks that both
# print the same --json document (line ends aside: a Windows console program ends its lines
# with CR LF) and exit with 0 and nothing on stderr.
#   cmake -DHOST=<program> [-DEMULATOR=<runner>] -DREFERENCE_HOST=<program> -P compare_host_json.cmake
# Among the drive codes asked for are an unknown one with a blank, which also shows that the
# arguments reach both programs byte for byte.
set(arguments --json --drive HX-140 --drive "HX 27" --drive KPR140 --drive hx-140 --drive HXP180)

include(${CMAKE_CURRENT_LIST_DIR}/../support/run_and_read.cmake)

foreach(variable HOST REFERENCE_HOST)
  if(NOT EXISTS "${${variable}}")
    message(FATAL_ERROR "${variable} '${${variable}}' does not exist")
  endif()
endforeach()

run_and_read(reference "${REFERENCE_HOST}" ${arguments})
run_and_read(document ${EMULATOR} "${HOST}" ${arguments})
if(NOT document STREQUAL reference)
  message(FATAL_ERROR "the --json documents differ\n--- ${REFERENCE_HOST}\n${reference}"
                      "--- ${HOST}\n${document}")
endif()
# Guard against two equally broken runs: the document must hold the module's answers.
string(JSON identity GET "${document}" identity)
string(JSON rows LENGTH "${document}" features)
if(NOT identity STREQUAL "addon001" OR rows LESS 5)
  message(FATAL_ERROR "unexpected document:\n${document}")
endif()
message(STATUS "both hosts print the same document:\n${document}")
