# Read by CPack for each generator. Debian packages take their whole description, synopsis
# first, from CPACK_DEBIAN_<COMPONENT>_DESCRIPTION: CPack would put the project's summary before
# each of them (one synopsis for every package, repeated in its text).
if(CPACK_GENERATOR STREQUAL "DEB")
  unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
endif()
