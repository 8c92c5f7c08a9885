# Checks that a module's export table holds exactly the names of the global section of an
# export list (a linker version script), by their plain names: nothing missing, nothing extra.
#   cmake -DMODULE=<file> -DEXPORTS_FILE=<list> -DNM=<nm> -DOBJDUMP=<objdump> -P export_table.cmake
# ELF modules are read with `nm -D --defined-only`, PE modules (.dll) with `objdump -p`.
foreach(variable MODULE EXPORTS_FILE)
  if(NOT EXISTS "${${variable}}")
    message(FATAL_ERROR "${variable} '${${variable}}' does not exist")
  endif()
endforeach()

# The expected names: the global section of the list, without comments.
file(READ "${EXPORTS_FILE}" list_text)
string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" list_text "${list_text}")
if(NOT list_text MATCHES "global:([^}]*)local:")
  message(FATAL_ERROR "${EXPORTS_FILE} has no 'global:' section followed by 'local:'")
endif()
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*" expected "${CMAKE_MATCH_1}")

get_filename_component(suffix "${MODULE}" LAST_EXT)
if(suffix STREQUAL ".dll")
  execute_process(COMMAND "${OBJDUMP}" -p "${MODULE}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${OBJDUMP} -p failed on ${MODULE}")
  endif()
  # The name pointer table: one "[ordinal] name" line per export, up to an empty line. Its
  # brackets would confuse CMake's lists, so they go first.
  set(exported "")
  string(REPLACE "[" "" dump "${dump}")
  string(REPLACE "]" "" dump "${dump}")
  if(dump MATCHES "Ordinal/Name Pointer Table\n(([^\n]+\n)*)")
    string(REGEX MATCHALL "[^\n]+" entries "${CMAKE_MATCH_1}")
    foreach(entry IN LISTS entries)
      string(REGEX REPLACE "^[ \t]*[0-9]+ " "" name "${entry}")
      list(APPEND exported "${name}")
    endforeach()
  endif()
else()
  execute_process(COMMAND "${NM}" -D --defined-only "${MODULE}"
                  OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${NM} -D failed on ${MODULE}")
  endif()
  # "address type name" per line; every export must be a function (type T).
  string(REGEX MATCHALL "[^\n]+" lines "${dump}")
  set(exported "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.+)$")
      message(FATAL_ERROR "unexpected nm line: '${line}'")
    endif()
    list(APPEND exported "${CMAKE_MATCH_2}")
    if(NOT CMAKE_MATCH_1 STREQUAL "T")
      message(SEND_ERROR "${CMAKE_MATCH_2} is exported but is no function (type ${CMAKE_MATCH_1})")
    endif()
  endforeach()
endif()

list(SORT expected)
list(SORT exported)
set(missing ${expected})
list(REMOVE_ITEM missing ${exported})
set(extra ${exported})
list(REMOVE_ITEM extra ${expected})
if(missing OR extra OR NOT exported STREQUAL expected)
  message(FATAL_ERROR "export table of ${MODULE} differs from ${EXPORTS_FILE}\n"
                      "  expected: ${expected}\n  exported: ${exported}\n"
                      "  missing:  ${missing}\n  extra:    ${extra}")
endif()
list(LENGTH exported count)
message(STATUS "${MODULE} exports exactly the ${count} listed names: ${exported}")
