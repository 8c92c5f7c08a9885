#pragma once

// The ELF reader of module_file.cpp (internal): the headers of a shared object in either class
// and byte order.
#include <string_view>

#include "module_file.h"

namespace host {

// True when `bytes` start with an ELF identification: the magic, the class and the byte order.
bool isElfFile(std::string_view bytes);

// Reads the ELF file `bytes` (isElfFile), or throws ModuleFileError.
ModuleFileFacts readElf(std::string_view bytes);

}  // namespace host
