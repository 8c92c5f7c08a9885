# Third-party dependencies, all from Debian packages.
if(CMAKE_CROSSCOMPILING AND WIN32)
  include(MingwDependencies)
  return()
endif()

find_package(Threads REQUIRED)
find_package(Boost 1.74 REQUIRED)
find_package(nlohmann_json 3 REQUIRED)
find_package(CLI11 REQUIRED)

if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
