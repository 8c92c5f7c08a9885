#pragma once

// What the module loader asks of the system beyond Boost.DLL, one implementation per system
// (module_system_posix.cpp, module_system_windows.cpp).
#define BOOST_DLL_USE_STD_FS
#include <boost/dll/runtime_symbol_info.hpp>
#include <boost/dll/shared_library.hpp>
#include <filesystem>
#include <string>

#include "addon001/platform/windows_types.h"

namespace platform {

// The instance handle under which a loaded module enrols with the class library: the same
// handle the module computes for itself.
HINSTANCE instanceOf(boost::dll::shared_library::native_handle_t library);

// True when a failed load was the module's own entry point refusing it.
bool refusedByEntryPoint(const boost::dll::fs::error_code& error);

// True when the load failed because an exception left the module's start-up and the system
// loader caught it (Windows); what was thrown is gone then.
bool startUpThrew(const boost::dll::fs::error_code& error);

// The system loader's own words for why `file` could not be loaded, read right after the
// failed load: what the dynamic linker reported on Linux, the system message of the error code
// on Windows.
std::string loaderMessage(const boost::dll::fs::error_code& error,
                          const std::filesystem::path& file);

}  // namespace platform
