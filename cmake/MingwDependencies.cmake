# Dependencies of the Windows cross build. The third-party libraries the project uses are
# header-only on Windows; their headers come from the build machine's Debian packages through a
# folder of the build tree that holds one link per library, so that no other header of the
# build machine's /usr/include can leak into a Windows object. GoogleTest is built from
# Debian's sources. CTest runs the programs under Wine.

# --- Header-only libraries ------------------------------------------------------------------
set(MINGW_THIRD_PARTY_INCLUDE ${PROJECT_BINARY_DIR}/third-party/include)
file(MAKE_DIRECTORY ${MINGW_THIRD_PARTY_INCLUDE})
foreach(folder boost nlohmann CLI)
  if(NOT IS_DIRECTORY /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/install-deps.sh linux")
  endif()
  if(NOT EXISTS ${MINGW_THIRD_PARTY_INCLUDE}/${folder})
    file(CREATE_LINK /usr/include/${folder} ${MINGW_THIRD_PARTY_INCLUDE}/${folder} SYMBOLIC)
  endif()
endforeach()

# Declares an imported header-only target on the linked headers.
function(mingw_header_library target)
  if(NOT TARGET ${target})
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES
      INTERFACE_INCLUDE_DIRECTORIES ${MINGW_THIRD_PARTY_INCLUDE})
  endif()
endfunction()

file(STRINGS ${MINGW_THIRD_PARTY_INCLUDE}/boost/version.hpp boost_version_line
     REGEX "^#define BOOST_VERSION [0-9]+")
string(REGEX REPLACE ".* ([0-9]+)$" "\\1" boost_version "${boost_version_line}")
if(boost_version LESS 107400)
  message(FATAL_ERROR "Boost 1.74 or newer is needed, found ${boost_version}")
endif()
mingw_header_library(Boost::headers)
mingw_header_library(Boost::boost)
# Boost.Thread's mutex is header-only on Windows (it is built on Win32 events).
mingw_header_library(Boost::thread)
mingw_header_library(nlohmann_json::nlohmann_json)
mingw_header_library(CLI11::CLI11)

find_package(Threads REQUIRED)

# --- One C++ runtime for host and modules -----------------------------------------------------
# The toolchain links libstdc++, libgcc and winpthread as DLLs, so that the host and every
# module share one heap and one copy of the standard library. Windows finds DLLs beside the
# program, so they are copied next to everything built.
# MINGW_RUNTIME_DLLS lists their paths for the install rules as well.
set(MINGW_RUNTIME_DLLS "")
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                  OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${runtime_path}" OR NOT EXISTS "${runtime_path}")
    message(FATAL_ERROR "The MinGW runtime ${runtime} was not found")
  endif()
  if(CMAKE_RUNTIME_OUTPUT_DIRECTORY)
    file(COPY ${runtime_path} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  endif()
  list(APPEND MINGW_RUNTIME_DLLS ${runtime_path})
endforeach()

# --- Running Windows programs under Wine ------------------------------------------------------
# Needed for the tests only; a build without tests makes do without Wine.
find_program(WINE_LOADER NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(WINE_SERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(WINE_LOADER AND WINE_SERVER)
  set(WINE_PREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${PROJECT_BINARY_DIR}/wine-run.sh
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE
                 @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run.sh)
elseif(BUILD_TESTING)
  message(FATAL_ERROR "Wine is missing, which runs the tests: run scripts/install-deps.sh windows")
endif()

# --- GoogleTest from Debian's sources ---------------------------------------------------------
if(BUILD_TESTING)
  if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
    message(FATAL_ERROR "/usr/src/googletest is missing: run scripts/install-deps.sh windows")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  # GoogleTest is built with its own flags, not with the project's warnings.
  get_directory_property(project_compile_options COMPILE_OPTIONS)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${project_compile_options}")
  include(GoogleTest)
endif()
