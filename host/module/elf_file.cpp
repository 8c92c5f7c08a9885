#include "elf_file.h"

#include <cstdint>
#include <vector>

#include "byte_view.h"

namespace host {

namespace {

// The layouts of what the reader uses, after the System V ABI's ELF headers; each field names
// the ABI's own in its comment.

// The first bytes of every ELF file, the same in both classes (e_ident).
struct ElfIdentification {
    static constexpr std::string_view magic{"\177ELF", 4};
    static constexpr Field<std::uint8_t> fileClass{4};     // EI_CLASS
    static constexpr Field<std::uint8_t> dataEncoding{5};  // EI_DATA
    // The bytes that tell a file for ELF and how to read the rest.
    static constexpr std::uint64_t identifyingSize = 6;

    static constexpr std::uint64_t class32 = 1;       // ELFCLASS32
    static constexpr std::uint64_t class64 = 2;       // ELFCLASS64
    static constexpr std::uint64_t littleEndian = 1;  // ELFDATA2LSB
    static constexpr std::uint64_t bigEndian = 2;     // ELFDATA2MSB
};

// The 32-bit class (ELFCLASS32).
struct Elf32 {
    static constexpr ModuleFileFacts::Format format = ModuleFileFacts::Format::Elf32;

    // The file header (Elf32_Ehdr).
    struct FileHeader {
        static constexpr Field<std::uint16_t> machine{0x12};             // e_machine
        static constexpr Field<std::uint32_t> sectionTableOffset{0x20};  // e_shoff
        static constexpr Field<std::uint16_t> sectionEntrySize{0x2E};    // e_shentsize
        static constexpr Field<std::uint16_t> sectionCount{0x30};        // e_shnum
    };
    // A section header (Elf32_Shdr).
    struct SectionHeader {
        static constexpr std::uint64_t entrySize = 40;
        static constexpr Field<std::uint32_t> type{0x04};            // sh_type
        static constexpr Field<std::uint32_t> fileOffset{0x10};      // sh_offset
        static constexpr Field<std::uint32_t> fileSize{0x14};        // sh_size
        static constexpr Field<std::uint32_t> link{0x18};            // sh_link
        static constexpr Field<std::uint32_t> tableEntrySize{0x24};  // sh_entsize
    };
    // A dynamic symbol table entry (Elf32_Sym).
    struct Symbol {
        static constexpr std::uint64_t entrySize = 16;
        static constexpr Field<std::uint32_t> name{0};           // st_name
        static constexpr Field<std::uint8_t> info{12};           // st_info
        static constexpr Field<std::uint8_t> other{13};          // st_other
        static constexpr Field<std::uint16_t> sectionIndex{14};  // st_shndx
    };
    // A dynamic section entry (Elf32_Dyn).
    struct Dynamic {
        static constexpr std::uint64_t entrySize = 8;
        static constexpr Field<std::uint32_t> tag{0};    // d_tag
        static constexpr Field<std::uint32_t> value{4};  // d_un
    };
};

// The 64-bit class (ELFCLASS64).
struct Elf64 {
    static constexpr ModuleFileFacts::Format format = ModuleFileFacts::Format::Elf64;

    // The file header (Elf64_Ehdr).
    struct FileHeader {
        static constexpr Field<std::uint16_t> machine{0x12};             // e_machine
        static constexpr Field<std::uint64_t> sectionTableOffset{0x28};  // e_shoff
        static constexpr Field<std::uint16_t> sectionEntrySize{0x3A};    // e_shentsize
        static constexpr Field<std::uint16_t> sectionCount{0x3C};        // e_shnum
    };
    // A section header (Elf64_Shdr).
    struct SectionHeader {
        static constexpr std::uint64_t entrySize = 64;
        static constexpr Field<std::uint32_t> type{0x04};            // sh_type
        static constexpr Field<std::uint64_t> fileOffset{0x18};      // sh_offset
        static constexpr Field<std::uint64_t> fileSize{0x20};        // sh_size
        static constexpr Field<std::uint32_t> link{0x28};            // sh_link
        static constexpr Field<std::uint64_t> tableEntrySize{0x38};  // sh_entsize
    };
    // A dynamic symbol table entry (Elf64_Sym).
    struct Symbol {
        static constexpr std::uint64_t entrySize = 24;
        static constexpr Field<std::uint32_t> name{0};          // st_name
        static constexpr Field<std::uint8_t> info{4};           // st_info
        static constexpr Field<std::uint8_t> other{5};          // st_other
        static constexpr Field<std::uint16_t> sectionIndex{6};  // st_shndx
    };
    // A dynamic section entry (Elf64_Dyn).
    struct Dynamic {
        static constexpr std::uint64_t entrySize = 16;
        static constexpr Field<std::uint64_t> tag{0};    // d_tag
        static constexpr Field<std::uint64_t> value{8};  // d_un
    };
};

// Values of those fields.
constexpr std::uint64_t sectionStrings = 3;          // SHT_STRTAB
constexpr std::uint64_t sectionDynamic = 6;          // SHT_DYNAMIC
constexpr std::uint64_t sectionDynamicSymbols = 11;  // SHT_DYNSYM
constexpr std::uint64_t tagNull = 0;                 // DT_NULL
constexpr std::uint64_t tagNeeded = 1;               // DT_NEEDED
constexpr std::uint64_t sectionUndefined = 0;        // SHN_UNDEF
constexpr unsigned bindGlobal = 1;                   // STB_GLOBAL
constexpr unsigned bindWeak = 2;                     // STB_WEAK
constexpr unsigned bindUnique = 10;                  // STB_GNU_UNIQUE
constexpr unsigned visibilityInternal = 1;           // STV_INTERNAL
constexpr unsigned visibilityHidden = 2;             // STV_HIDDEN

// st_info holds the binding in its upper four bits, st_other the visibility in its lower two.
constexpr unsigned bindingOf(std::uint64_t info) {
    return static_cast<unsigned>(info >> 4);
}
constexpr unsigned visibilityOf(std::uint64_t other) {
    return static_cast<unsigned>(other & 3);
}

struct ElfSection {
    std::uint64_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t link = 0;
    std::uint64_t entrySize = 0;
};

template <class Elf>
class ElfReader {
public:
    ElfReader(std::string_view data, ByteOrder order) : bytes_(data, order) {}

    ModuleFileFacts read() {
        ModuleFileFacts facts;
        facts.format = Elf::format;
        facts.machine =
            static_cast<unsigned>(bytes_.read(0, Elf::FileHeader::machine, "the ELF header"));
        readSections();
        for (const ElfSection& section : sections_) {
            if (section.type == sectionDynamicSymbols) readSymbols(section, facts);
            if (section.type == sectionDynamic) readNeeded(section, facts);
        }
        return facts;
    }

private:
    using Header = typename Elf::FileHeader;
    using SectionHeader = typename Elf::SectionHeader;
    using Symbol = typename Elf::Symbol;
    using Dynamic = typename Elf::Dynamic;

    void readSections() {
        const char* what = "the ELF header";
        const std::uint64_t tableOffset = bytes_.read(0, Header::sectionTableOffset, what);
        const std::uint64_t entrySize = bytes_.read(0, Header::sectionEntrySize, what);
        std::uint64_t count = bytes_.read(0, Header::sectionCount, what);
        if (tableOffset == 0) throw ModuleFileError("the ELF file has no section header table");
        if (entrySize < SectionHeader::entrySize) {
            throw ModuleFileError("ELF section headers of " + std::to_string(entrySize) +
                                  " bytes, not " + std::to_string(SectionHeader::entrySize));
        }
        // With 0xFF00 sections or more, the count stands in the first section header.
        if (count == 0) count = section(tableOffset).size;
        if (count > bytes_.size() / entrySize) {
            throw ModuleFileError("the ELF section header table lies outside the file");
        }
        bytes_.require(tableOffset, count * entrySize, "the ELF section header table");
        sections_.reserve(count);
        for (std::uint64_t index = 0; index < count; ++index) {
            sections_.push_back(section(tableOffset + index * entrySize));
        }
    }

    ElfSection section(std::uint64_t at) const {
        const char* what = "an ELF section header";
        ElfSection section;
        section.type = bytes_.read(at, SectionHeader::type, what);
        section.offset = bytes_.read(at, SectionHeader::fileOffset, what);
        section.size = bytes_.read(at, SectionHeader::fileSize, what);
        section.link = bytes_.read(at, SectionHeader::link, what);
        section.entrySize = bytes_.read(at, SectionHeader::tableEntrySize, what);
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
        if (table.entrySize != Symbol::entrySize) {
            throw ModuleFileError("ELF dynamic symbols of " + std::to_string(table.entrySize) +
                                  " bytes, not " + std::to_string(Symbol::entrySize));
        }
        bytes_.require(table.offset, table.size, "the ELF dynamic symbol table");
        const ElfSection& strings = linkedStrings(table);
        const char* what = "an ELF dynamic symbol";
        // Entry 0 is the undefined symbol of every table.
        for (std::uint64_t index = 1; index < table.size / Symbol::entrySize; ++index) {
            const std::uint64_t at = table.offset + index * Symbol::entrySize;
            const std::uint64_t nameOffset = bytes_.read(at, Symbol::name, what);
            const unsigned binding = bindingOf(bytes_.read(at, Symbol::info, what));
            const unsigned visibility = visibilityOf(bytes_.read(at, Symbol::other, what));
            const std::uint64_t sectionIndex = bytes_.read(at, Symbol::sectionIndex, what);
            if (nameOffset == 0) continue;
            const std::string name = stringAt(strings, nameOffset, "an ELF symbol name");
            if (sectionIndex == sectionUndefined) {
                facts.importedSymbols.push_back(name);
                continue;
            }
            const bool global =
                binding == bindGlobal || binding == bindWeak || binding == bindUnique;
            if (global && visibility != visibilityHidden && visibility != visibilityInternal) {
                facts.exportedSymbols.push_back(name);
            }
        }
    }

    void readNeeded(const ElfSection& table, ModuleFileFacts& facts) const {
        bytes_.require(table.offset, table.size, "the ELF dynamic section");
        const ElfSection& strings = linkedStrings(table);
        const char* what = "an ELF dynamic entry";
        for (std::uint64_t index = 0; index < table.size / Dynamic::entrySize; ++index) {
            const std::uint64_t at = table.offset + index * Dynamic::entrySize;
            const std::uint64_t tag = bytes_.read(at, Dynamic::tag, what);
            if (tag == tagNull) break;
            if (tag != tagNeeded) continue;
            const std::uint64_t value = bytes_.read(at, Dynamic::value, what);
            facts.neededLibraries.push_back(stringAt(strings, value, "a needed library's name"));
        }
    }

    ByteView bytes_;
    std::vector<ElfSection> sections_;
};

}  // namespace

bool isElfFile(std::string_view bytes) {
    return bytes.size() >= ElfIdentification::identifyingSize &&
           bytes.substr(0, ElfIdentification::magic.size()) == ElfIdentification::magic;
}

ModuleFileFacts readElf(std::string_view bytes) {
    // One byte each: the byte order does not matter yet.
    const ByteView identification(bytes, ByteOrder::little);
    const char* what = "the ELF identification";
    const std::uint64_t fileClass = identification.read(0, ElfIdentification::fileClass, what);
    const std::uint64_t encoding = identification.read(0, ElfIdentification::dataEncoding, what);
    const bool knownClass =
        fileClass == ElfIdentification::class32 || fileClass == ElfIdentification::class64;
    const bool knownEncoding =
        encoding == ElfIdentification::littleEndian || encoding == ElfIdentification::bigEndian;
    if (!knownClass || !knownEncoding) {
        throw ModuleFileError("an ELF file of unknown class or byte order");
    }
    const ByteOrder order =
        encoding == ElfIdentification::bigEndian ? ByteOrder::big : ByteOrder::little;
    if (fileClass == ElfIdentification::class64) return ElfReader<Elf64>(bytes, order).read();
    return ElfReader<Elf32>(bytes, order).read();
}

}  // namespace host
