#pragma once

// What a module file says about itself in its headers, read without loading it: no code of the
// module runs. The host judges from this whether a module was built against its own C++
// runtime, and names exports that exist only under C++ names.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct ModuleFileFacts {
    enum class Format { Elf32, Elf64, Pe32, Pe32Plus };
    Format format = Format::Elf64;
    // ELF: the machine field (EM_X86_64 62, ...); PE: the COFF machine (0x8664, ...).
    unsigned machine = 0;
    // The shared libraries it needs, in the file's order: ELF DT_NEEDED entries; PE the DLLs of
    // its import and delay-import tables.
    std::vector<std::string> neededLibraries;
    // Symbols it takes from other modules: ELF undefined dynamic symbols; PE functions
    // imported by name.
    std::vector<std::string> importedSymbols;
    // Symbols it offers: ELF defined global and weak dynamic symbols; PE exports by name.
    std::vector<std::string> exportedSymbols;
};

// A file that is no ELF or PE module, or whose headers point outside the file.
class ModuleFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the headers of `file`. Throws ModuleFileError naming what is wrong: not a regular
// file (a FIFO is never opened, so reading cannot block), not an ELF or PE file, or a header,
// table or name that lies outside the file.
ModuleFileFacts readModuleFile(const std::filesystem::path& file);

// The same from the file's bytes.
ModuleFileFacts parseModuleFile(std::string_view bytes);

// "a directory", "a FIFO", ... for messages about a path that is no regular file.
std::string describeFileType(std::filesystem::file_type type);

// "ELF 64-bit", "PE32+", ... for messages.
std::string formatName(ModuleFileFacts::Format format);

}  // namespace host
