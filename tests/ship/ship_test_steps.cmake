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

# The names a shared library or module exports: `nm -D --defined-only` for ELF files, the export
# table of `objdump -p` for DLLs. Needs NM and OBJDUMP.
function(ship_exported_names variable library)
  if(library MATCHES "\\.dll$")
    ship_run(OUTPUT dump COMMAND ${OBJDUMP} -p ${library})
    string(REGEX MATCH "Ordinal/Name Pointer Table\n([^\n]+\n)*" table "${dump}")
  else()
    ship_run(OUTPUT table COMMAND ${NM} -D --defined-only ${library})
  endif()
  set(${variable} "${table}" PARENT_SCOPE)
endfunction()

# The shared libraries a program needs, as its file names them (ELF NEEDED entries, or the DLL
# names of a PE import table). Needs OBJDUMP.
function(ship_needed_libraries variable program)
  ship_run(OUTPUT dump COMMAND ${OBJDUMP} -p ${program})
  string(REGEX MATCHALL "(NEEDED +|DLL Name: )[^\n]+" needed "${dump}")
  set(${variable} "${needed}" PARENT_SCOPE)
endfunction()

# Runs the consumer program (tests/ship/consumer/main.cpp) with `log_file`, in `folder` (where
# Windows also looks for the C++ runtime DLLs): it must say what it logged, the log must hold
# its three records (one with wide texts, written narrow), and it must need neither the class-library layer nor libdl.
function(ship_expect_consumer_runs program log_file folder)
  ship_run(OUTPUT out WORKING_DIRECTORY ${folder} COMMAND ${EMULATOR} ${program} ${log_file})
  ship_expect_text("${out}" "consumer logged with addonlog 1.")
  file(READ ${log_file} log)
  ship_expect_text("${log}" " INF ")
  ship_expect_text("${log}" "consumer logs with addonlog 1.")
  ship_expect_text("${log}" " WAR ")
  ship_expect_text("${log}" "drive HX-140 answered late")
  ship_expect_text("${log}" " ERR ")
  ship_expect_text("${log}" "Caught std::runtime_error: on purpose")
  ship_needed_libraries(needed ${program})
  if(needed MATCHES "afxlayer|libdl")
    message(FATAL_ERROR "${program} needs more than the logging library brings:\n${needed}")
  endif()
endfunction()

# Runs `program`, the log reader, on a small log set written into `folder` (a backup with CR LF
# line ends, as Windows writes them, and a live file with LF ones): it must print the records
# oldest first, the continuation line with its record.
function(ship_expect_log_reader_runs program folder)
  file(MAKE_DIRECTORY ${folder})
  string(ASCII 13 cr)
  file(WRITE ${folder}/ship.log.1 "09:05:03.047 INF 3412 from the backup${cr}\n")
  file(WRITE ${folder}/ship.log "09:05:04.000 ERR 3412 from the live file\nsecond line\n")
  ship_run(OUTPUT out COMMAND ${EMULATOR} ${program} ${folder}/ship.log --json)
  string(REGEX MATCHALL "\"message\":\"[^\"]*\"" messages "${out}")
  if(NOT messages STREQUAL "\"message\":\"from the backup\";\"message\":\"from the live file\\nsecond line\"")
    message(FATAL_ERROR "${program} did not read the log set as expected:\n${out}")
  endif()
endfunction()
