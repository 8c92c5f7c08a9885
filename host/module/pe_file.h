#pragma once

// The PE reader of module_file.cpp (internal): the headers of a PE32 or PE32+ DLL.
#include <string_view>

#include "module_file.h"

namespace host {

// True when `bytes` start with the DOS header's magic, as every PE file does.
bool isPeFile(std::string_view bytes);

// Reads the PE file `bytes` (isPeFile), or throws ModuleFileError.
ModuleFileFacts readPe(std::string_view bytes);

}  // namespace host
