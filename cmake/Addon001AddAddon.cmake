# addon001_add_addon(<name> SOURCES <source>... [CHECK])
#
# Builds the add-on module <name> from its sources, as the host loads it: the file <name>.so
# (<name>.dll on Windows), no "lib" in front; hidden visibility, so that only the functions
# marked ADDON_EXPORT are exported; on ELF systems an export map of exactly the six functions of
# the interface (<addon001/addon/addon_exports.h>), so that nothing of the libraries it uses
# (no std:: template instantiation) is exported with them; linked with --no-undefined, so that
# a missing definition fails the link, not the host's load. It links the add-on interface and
# the class-library layer that the host shares with it (Addon001::interface,
# Addon001::afxlayer), compiles with C++17 at least, and finds the layer beside itself once
# installed into the host's folder.
#
# CHECK adds the CTest test <name>_check: the installed reference host checks the built module
# against the interface contract (addon-host --check) and writes a JUnit report,
# <build folder>/<name>_check.xml. The project must enable testing (enable_testing() or
# include(CTest)) for ctest to see the test.
function(addon001_add_addon name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "CHECK" "" "SOURCES")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "addon001_add_addon(${name}): unknown arguments: ${ARG_UNPARSED_ARGUMENTS} "
                        "(usage: addon001_add_addon(NAME SOURCES source... [CHECK]))")
  endif()
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "addon001_add_addon(${name}): no SOURCES given")
  endif()

  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Addon001::interface Addon001::afxlayer)
  target_compile_features(${name} PRIVATE cxx_std_17)
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    INSTALL_RPATH "$ORIGIN")
  target_link_options(${name} PRIVATE "LINKER:--no-undefined")
  if(NOT WIN32)
    # Windows exports only what is marked (dllexport) in the first place.
    target_link_options(${name} PRIVATE "LINKER:--version-script=${ADDON001_EXPORTS_MAP}")
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${ADDON001_EXPORTS_MAP})
  endif()

  if(ARG_CHECK)
    if(NOT TARGET Addon001::addon-host)
      message(FATAL_ERROR "addon001_add_addon(${name}) CHECK: the reference host is not installed "
                          "(expected at ${ADDON001_HOST}; it comes with the runtime package addon001)")
    endif()
    add_test(NAME ${name}_check
      COMMAND Addon001::addon-host --check --junit ${CMAKE_CURRENT_BINARY_DIR}/${name}_check.xml
              $<TARGET_FILE:${name}>)
    set_tests_properties(${name}_check PROPERTIES LABELS addon001_check)
  endif()
endfunction()
