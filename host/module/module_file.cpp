#include "module_file.h"

#include <cstdint>
#include <fstream>

#include "elf_file.h"
#include "pe_file.h"

namespace host {

namespace {

// Far beyond any module; a larger file is not read into memory.
constexpr std::uintmax_t largestModuleFile = std::uintmax_t{1} << 30;

}  // namespace

ModuleFileFacts parseModuleFile(std::string_view bytes) {
    if (isElfFile(bytes)) return readElf(bytes);
    if (isPeFile(bytes)) return readPe(bytes);
    throw ModuleFileError("neither an ELF nor a PE file");
}

ModuleFileFacts readModuleFile(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        throw ModuleFileError("no such file");
    }
    if (error) throw ModuleFileError(error.message());
    if (status.type() != std::filesystem::file_type::regular) {
        throw ModuleFileError("not a module file but " + describeFileType(status.type()));
    }
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) throw ModuleFileError(error.message());
    if (size > largestModuleFile) throw ModuleFileError("too large for a module file");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw ModuleFileError("cannot be opened for reading");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // A file that shrank while it was read is read as far as it goes.
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) throw ModuleFileError("cannot be read");
    return parseModuleFile(bytes);
}

std::string describeFileType(std::filesystem::file_type type) {
    switch (type) {
        case std::filesystem::file_type::directory:
            return "a directory";
        case std::filesystem::file_type::fifo:
            return "a FIFO";
        case std::filesystem::file_type::socket:
            return "a socket";
        case std::filesystem::file_type::character:
            return "a character device";
        case std::filesystem::file_type::block:
            return "a block device";
        default:
            return "no regular file";
    }
}

std::string formatName(ModuleFileFacts::Format format) {
    switch (format) {
        case ModuleFileFacts::Format::Elf32:
            return "ELF 32-bit";
        case ModuleFileFacts::Format::Elf64:
            return "ELF 64-bit";
        case ModuleFileFacts::Format::Pe32:
            return "PE32";
        case ModuleFileFacts::Format::Pe32Plus:
            return "PE32+";
    }
    return "unknown";
}

}  // namespace host
