# Third-party dependencies, all from Debian packages.
if(CMAKE_CROSSCOMPILING AND WIN32)
  include(MingwDependencies)
  return()
endif()

find_package(Threads REQUIRED)
find_package(Boost 1.74 REQUIRED)
if(ADDON001_BUILD_ADDON)
  find_package(nlohmann_json 3 REQUIRED)
  find_package(CLI11 REQUIRED)
endif()

if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
