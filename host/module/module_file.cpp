#include "module_file.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <utility>

namespace host {

namespace {

// Reads fixed-size numbers and NUL-terminated names from the file's bytes; every read is
// checked against the end of the file, so a header that points anywhere cannot lead outside.
class Bytes {
public:
    Bytes(std::string_view data, bool bigEndian)
        : data_(data), bigEndian_(bigEndian), nameBudget_(4 * std::uint64_t{data.size()} + 65536) {}

    std::size_t size() const { return data_.size(); }

    // True when `length` bytes from `offset` lie inside the file (no overflow either way).
    bool holds(std::uint64_t offset, std::uint64_t length) const {
        return offset <= data_.size() && length <= data_.size() - offset;
    }

    void require(std::uint64_t offset, std::uint64_t length, const char* what) const {
        if (!holds(offset, length)) {
            throw ModuleFileError(std::string(what) + " lies outside the file (offset " +
                                  std::to_string(offset) + ", " + std::to_string(length) +
                                  " bytes, file " + std::to_string(data_.size()) + " bytes)");
        }
    }

    std::uint64_t number(std::uint64_t offset, unsigned width, const char* what) const {
        require(offset, width, what);
        std::uint64_t value = 0;
        for (unsigned index = 0; index < width; ++index) {
            const unsigned position = bigEndian_ ? index : width - 1 - index;
            value = (value << 8) | static_cast<unsigned char>(data_[offset + position]);
        }
        return value;
    }
    std::uint64_t u16(std::uint64_t offset, const char* what) const {
        return number(offset, 2, what);
    }
    std::uint64_t u32(std::uint64_t offset, const char* what) const {
        return number(offset, 4, what);
    }
    std::uint64_t u64(std::uint64_t offset, const char* what) const {
        return number(offset, 8, what);
    }

    // The NUL-terminated text at `offset`, which must end before `limit`.
    std::string name(std::uint64_t offset, std::uint64_t limit, const char* what) const {
        if (limit > data_.size()) limit = data_.size();
        if (offset >= limit) throw ModuleFileError(std::string(what) + " lies outside its table");
        const std::size_t end = data_.find('\0', offset);
        if (end == std::string_view::npos || end >= limit) {
            throw ModuleFileError(std::string(what) + " is not terminated within its table");
        }
        // Tables may share names (and ELF string tables the ends of names), but a file whose
        // entries all point at one long name would otherwise make its size many times over.
        if (end - offset > nameBudget_) {
            throw ModuleFileError("the file's tables name far more text than the file holds");
        }
        nameBudget_ -= end - offset;
        return std::string(data_.substr(offset, end - offset));
    }

private:
    std::string_view data_;
    bool bigEndian_;
    mutable std::uint64_t nameBudget_;
};

// ELF constants (System V ABI).
constexpr unsigned sectionDynamic = 6;          // SHT_DYNAMIC
constexpr unsigned sectionStrings = 3;          // SHT_STRTAB
constexpr unsigned sectionDynamicSymbols = 11;  // SHT_DYNSYM
constexpr std::uint64_t tagNull = 0;            // DT_NULL
constexpr std::uint64_t tagNeeded = 1;          // DT_NEEDED
constexpr unsigned bindGlobal = 1;
constexpr unsigned bindWeak = 2;
constexpr unsigned bindUnique = 10;  // STB_GNU_UNIQUE
constexpr unsigned visibilityHidden = 2;
constexpr unsigned visibilityInternal = 1;

struct ElfSection {
    std::uint64_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t link = 0;
    std::uint64_t entrySize = 0;
};

class ElfReader {
public:
    ElfReader(std::string_view data, bool wide, bool bigEndian)
        : bytes_(data, bigEndian), wide_(wide) {}

    ModuleFileFacts read() {
        ModuleFileFacts facts;
        facts.format = wide_ ? ModuleFileFacts::Format::Elf64 : ModuleFileFacts::Format::Elf32;
        facts.machine = static_cast<unsigned>(bytes_.u16(18, "the ELF header"));
        readSections();
        for (const ElfSection& section : sections_) {
            if (section.type == sectionDynamicSymbols) readSymbols(section, facts);
            if (section.type == sectionDynamic) readNeeded(section, facts);
        }
        return facts;
    }

private:
    std::uint64_t address(std::uint64_t offset, const char* what) const {
        return wide_ ? bytes_.u64(offset, what) : bytes_.u32(offset, what);
    }

    void readSections() {
        const std::uint64_t tableOffset = address(wide_ ? 0x28 : 0x20, "the ELF header");
        const std::uint64_t entrySize = bytes_.u16(wide_ ? 0x3A : 0x2E, "the ELF header");
        std::uint64_t count = bytes_.u16(wide_ ? 0x3C : 0x30, "the ELF header");
        if (tableOffset == 0) throw ModuleFileError("the ELF file has no section header table");
        const std::uint64_t expected = wide_ ? 64 : 40;
        if (entrySize < expected) {
            throw ModuleFileError("ELF section headers of " + std::to_string(entrySize) +
                                  " bytes, not " + std::to_string(expected));
        }
        // With 0xFF00 sections or more, the count stands in the first section header.
        if (count == 0) count = section(tableOffset, entrySize, 0).size;
        if (count > bytes_.size() / entrySize) {
            throw ModuleFileError("the ELF section header table lies outside the file");
        }
        bytes_.require(tableOffset, count * entrySize, "the ELF section header table");
        sections_.reserve(count);
        for (std::uint64_t index = 0; index < count; ++index) {
            sections_.push_back(section(tableOffset, entrySize, index));
        }
    }

    ElfSection section(std::uint64_t tableOffset, std::uint64_t entrySize,
                       std::uint64_t index) const {
        const std::uint64_t at = tableOffset + index * entrySize;
        const char* what = "an ELF section header";
        ElfSection section;
        section.type = bytes_.u32(at + 4, what);
        section.offset = address(at + (wide_ ? 0x18 : 0x10), what);
        section.size = address(at + (wide_ ? 0x20 : 0x14), what);
        section.link = bytes_.u32(at + (wide_ ? 0x28 : 0x18), what);
        section.entrySize = address(at + (wide_ ? 0x38 : 0x24), what);
        return section;
    }

    // The string table a section names in its link field.
    const ElfSection& linkedStrings(const ElfSection& section) const {
        if (section.link >= sections_.size() || sections_[section.link].type != sectionStrings) {
            throw ModuleFileError("an ELF section links to no string table");
        }
        const ElfSection& strings = sections_[section.link];
        bytes_.require(strings.offset, strings.size, "an ELF string table");
        return strings;
    }

    std::string stringAt(const ElfSection& strings, std::uint64_t offset, const char* what) const {
        if (offset >= strings.size)
            throw ModuleFileError(std::string(what) + " lies outside its table");
        return bytes_.name(strings.offset + offset, strings.offset + strings.size, what);
    }

    void readSymbols(const ElfSection& table, ModuleFileFacts& facts) const {
        const std::uint64_t entrySize = wide_ ? 24 : 16;
        if (table.entrySize != entrySize) {
            throw ModuleFileError("ELF dynamic symbols of " + std::to_string(table.entrySize) +
                                  " bytes, not " + std::to_string(entrySize));
        }
        bytes_.require(table.offset, table.size, "the ELF dynamic symbol table");
        const ElfSection& strings = linkedStrings(table);
        const char* what = "an ELF dynamic symbol";
        // Entry 0 is the undefined symbol of every table.
        for (std::uint64_t index = 1; index < table.size / entrySize; ++index) {
            const std::uint64_t at = table.offset + index * entrySize;
            const std::uint64_t nameOffset = bytes_.u32(at, what);
            const unsigned info =
                static_cast<unsigned>(bytes_.number(at + (wide_ ? 4 : 12), 1, what));
            const unsigned other =
                static_cast<unsigned>(bytes_.number(at + (wide_ ? 5 : 13), 1, what));
            const std::uint64_t sectionIndex = bytes_.u16(at + (wide_ ? 6 : 14), what);
            if (nameOffset == 0) continue;
            const std::string name = stringAt(strings, nameOffset, "an ELF symbol name");
            if (sectionIndex == 0) {
                facts.importedSymbols.push_back(name);
                continue;
            }
            const unsigned binding = info >> 4;
            const unsigned visibility = other & 3;
            const bool global =
                binding == bindGlobal || binding == bindWeak || binding == bindUnique;
            if (global && visibility != visibilityHidden && visibility != visibilityInternal) {
                facts.exportedSymbols.push_back(name);
            }
        }
    }

    void readNeeded(const ElfSection& table, ModuleFileFacts& facts) const {
        const std::uint64_t entrySize = wide_ ? 16 : 8;
        bytes_.require(table.offset, table.size, "the ELF dynamic section");
        const ElfSection& strings = linkedStrings(table);
        for (std::uint64_t index = 0; index < table.size / entrySize; ++index) {
            const std::uint64_t at = table.offset + index * entrySize;
            const std::uint64_t tag = address(at, "an ELF dynamic entry");
            if (tag == tagNull) break;
            if (tag != tagNeeded) continue;
            const std::uint64_t value = address(at + entrySize / 2, "an ELF dynamic entry");
            facts.neededLibraries.push_back(stringAt(strings, value, "a needed library's name"));
        }
    }

    Bytes bytes_;
    bool wide_;
    std::vector<ElfSection> sections_;
};

// PE/COFF (Microsoft PE format).
constexpr std::uint64_t directoryExports = 0;
constexpr std::uint64_t directoryImports = 1;
constexpr std::uint64_t directoryDelayImports = 13;

struct PeSection {
    std::uint64_t virtualAddress = 0;
    std::uint64_t virtualSize = 0;
    std::uint64_t rawOffset = 0;
    std::uint64_t rawSize = 0;
};

class PeReader {
public:
    explicit PeReader(std::string_view data) : bytes_(data, false) {}

    ModuleFileFacts read() {
        ModuleFileFacts facts;
        const std::uint64_t header = bytes_.u32(0x3C, "the DOS header");
        if (bytes_.u32(header, "the PE signature") != 0x00004550) {
            throw ModuleFileError("no PE signature where the DOS header points");
        }
        const std::uint64_t coff = header + 4;
        const char* what = "the COFF header";
        facts.machine = static_cast<unsigned>(bytes_.u16(coff, what));
        const std::uint64_t sectionCount = bytes_.u16(coff + 2, what);
        const std::uint64_t optionalSize = bytes_.u16(coff + 16, what);
        const std::uint64_t optional = coff + 20;
        const std::uint64_t magic = bytes_.u16(optional, "the optional header");
        if (magic == 0x10B) {
            wide_ = false;
            facts.format = ModuleFileFacts::Format::Pe32;
        } else if (magic == 0x20B) {
            wide_ = true;
            facts.format = ModuleFileFacts::Format::Pe32Plus;
        } else {
            throw ModuleFileError("a PE optional header of unknown kind");
        }
        const std::uint64_t directoryCountAt = optional + (wide_ ? 108 : 92);
        directoryCount_ = bytes_.u32(directoryCountAt, "the optional header");
        directories_ = directoryCountAt + 4;
        if (directoryCount_ * 8 + (directories_ - optional) > optionalSize) {
            throw ModuleFileError("the PE data directories do not fit the optional header");
        }

        const std::uint64_t table = optional + optionalSize;
        bytes_.require(table, sectionCount * 40, "the PE section table");
        for (std::uint64_t index = 0; index < sectionCount; ++index) {
            const std::uint64_t at = table + index * 40;
            PeSection section;
            section.virtualSize = bytes_.u32(at + 8, "a PE section header");
            section.virtualAddress = bytes_.u32(at + 12, "a PE section header");
            section.rawSize = bytes_.u32(at + 16, "a PE section header");
            section.rawOffset = bytes_.u32(at + 20, "a PE section header");
            sections_.push_back(section);
        }

        readImports(facts);
        readDelayImports(facts);
        readExports(facts);
        return facts;
    }

private:
    // The directory's address and size, or 0 when the file has none.
    std::pair<std::uint64_t, std::uint64_t> directory(std::uint64_t index) const {
        if (index >= directoryCount_) return {0, 0};
        return {bytes_.u32(directories_ + index * 8, "a PE data directory"),
                bytes_.u32(directories_ + index * 8 + 4, "a PE data directory")};
    }

    // The file offset of an address of the loaded image, with the end of the section's bytes
    // in the file: where its contents may be read.
    std::pair<std::uint64_t, std::uint64_t> place(std::uint64_t address, const char* what) const {
        for (const PeSection& section : sections_) {
            const std::uint64_t extent = std::max(section.virtualSize, section.rawSize);
            if (address >= section.virtualAddress && address - section.virtualAddress < extent) {
                const std::uint64_t offset = address - section.virtualAddress;
                if (offset >= section.rawSize) break;
                return {section.rawOffset + offset, section.rawOffset + section.rawSize};
            }
        }
        throw ModuleFileError(std::string(what) + " lies in no section of the file");
    }

    std::uint64_t offsetOf(std::uint64_t address, std::uint64_t length, const char* what) const {
        const auto [offset, end] = place(address, what);
        if (length > end - offset)
            throw ModuleFileError(std::string(what) + " runs past its section");
        bytes_.require(offset, length, what);
        return offset;
    }

    std::string nameAt(std::uint64_t address, const char* what) const {
        const auto [offset, end] = place(address, what);
        return bytes_.name(offset, end, what);
    }

    // The names of one import table: entries of 4 or 8 bytes up to a zero entry; an entry with
    // its top bit set imports by number, else it is the address of a hint and a name.
    void readImportNames(std::uint64_t tableAddress, ModuleFileFacts& facts) const {
        const unsigned width = wide_ ? 8 : 4;
        const std::uint64_t byNumber = wide_ ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 31);
        const char* what = "a PE import name table";
        for (std::uint64_t address = tableAddress;; address += width) {
            const std::uint64_t entry = bytes_.number(offsetOf(address, width, what), width, what);
            if (entry == 0) return;
            if ((entry & byNumber) != 0) continue;
            facts.importedSymbols.push_back(nameAt((entry & 0x7FFFFFFF) + 2, "an imported name"));
        }
    }

    void readImports(ModuleFileFacts& facts) const {
        const auto [address, size] = directory(directoryImports);
        if (address == 0 || size == 0) return;
        const char* what = "a PE import descriptor";
        for (std::uint64_t entry = address;; entry += 20) {
            const std::uint64_t at = offsetOf(entry, 20, what);
            const std::uint64_t names = bytes_.u32(at, what);
            const std::uint64_t dll = bytes_.u32(at + 12, what);
            const std::uint64_t addresses = bytes_.u32(at + 16, what);
            if (dll == 0 && names == 0 && addresses == 0) return;
            facts.neededLibraries.push_back(nameAt(dll, "an imported DLL's name"));
            if (names != 0 || addresses != 0)
                readImportNames(names != 0 ? names : addresses, facts);
        }
    }

    void readDelayImports(ModuleFileFacts& facts) const {
        const auto [address, size] = directory(directoryDelayImports);
        if (address == 0 || size == 0) return;
        const char* what = "a PE delay-import descriptor";
        for (std::uint64_t entry = address;; entry += 32) {
            const std::uint64_t at = offsetOf(entry, 32, what);
            const std::uint64_t dll = bytes_.u32(at + 4, what);
            const std::uint64_t names = bytes_.u32(at + 16, what);
            if (dll == 0) return;
            facts.neededLibraries.push_back(nameAt(dll, "a delay-loaded DLL's name"));
            if (names != 0) readImportNames(names, facts);
        }
    }

    void readExports(ModuleFileFacts& facts) const {
        const auto [address, size] = directory(directoryExports);
        if (address == 0 || size == 0) return;
        const char* what = "the PE export directory";
        const std::uint64_t at = offsetOf(address, 40, what);
        const std::uint64_t nameCount = bytes_.u32(at + 24, what);
        const std::uint64_t names = bytes_.u32(at + 32, what);
        if (nameCount == 0) return;
        if (nameCount > bytes_.size() / 4)
            throw ModuleFileError("the PE export names lie outside the file");
        const std::uint64_t table = offsetOf(names, nameCount * 4, "the PE export name table");
        for (std::uint64_t index = 0; index < nameCount; ++index) {
            facts.exportedSymbols.push_back(nameAt(
                bytes_.u32(table + index * 4, "the PE export name table"), "an export's name"));
        }
    }

    Bytes bytes_;
    bool wide_ = true;
    std::uint64_t directoryCount_ = 0;
    std::uint64_t directories_ = 0;
    std::vector<PeSection> sections_;
};

// Far beyond any module; a larger file is not read into memory.
constexpr std::uintmax_t largestModuleFile = std::uintmax_t{1} << 30;

}  // namespace

ModuleFileFacts parseModuleFile(std::string_view bytes) {
    if (bytes.size() >= 6 && bytes.substr(0, 4) ==
                                 "\x7f"
                                 "ELF") {
        const char elfClass = bytes[4];
        const char encoding = bytes[5];
        if ((elfClass != 1 && elfClass != 2) || (encoding != 1 && encoding != 2)) {
            throw ModuleFileError("an ELF file of unknown class or byte order");
        }
        return ElfReader(bytes, elfClass == 2, encoding == 2).read();
    }
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "MZ") return PeReader(bytes).read();
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
