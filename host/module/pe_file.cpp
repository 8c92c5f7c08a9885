#include "pe_file.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "byte_view.h"

namespace host {

namespace {

// The layouts of what the reader uses, after Microsoft's PE format; each field names the
// format's own in its comment. All numbers are little-endian.

// The DOS header at the start of the file (IMAGE_DOS_HEADER).
struct DosHeader {
    static constexpr std::string_view magic{"MZ"};               // e_magic
    static constexpr Field<std::uint32_t> peHeaderOffset{0x3C};  // e_lfanew
};

// Where the DOS header points: the signature, then the COFF file header.
struct PeSignature {
    static constexpr std::uint64_t size = 4;
    static constexpr Field<std::uint32_t> signature{0};
    static constexpr std::uint64_t expected = 0x00004550;  // "PE\0\0"
};

// The COFF file header (IMAGE_FILE_HEADER); the optional header follows it.
struct CoffHeader {
    static constexpr std::uint64_t size = 20;
    static constexpr Field<std::uint16_t> machine{0};              // Machine
    static constexpr Field<std::uint16_t> sectionCount{2};         // NumberOfSections
    static constexpr Field<std::uint16_t> optionalHeaderSize{16};  // SizeOfOptionalHeader
};

// The optional header (IMAGE_OPTIONAL_HEADER32 and 64) as far as the two kinds share it; the
// section table follows it.
struct OptionalHeader {
    static constexpr Field<std::uint16_t> magic{0};  // Magic
    static constexpr std::uint64_t pe32Magic = 0x10B;
    static constexpr std::uint64_t pe32PlusMagic = 0x20B;
};

// What differs between the two kinds: where the data directories stand, and how wide an entry
// of an import lookup table is.
struct Pe32 {
    static constexpr ModuleFileFacts::Format format = ModuleFileFacts::Format::Pe32;
    static constexpr Field<std::uint32_t> directoryCount{92};  // NumberOfRvaAndSizes
    static constexpr std::uint64_t directories = 96;           // DataDirectory
    using ImportLookupEntry = std::uint32_t;
};
struct Pe32Plus {
    static constexpr ModuleFileFacts::Format format = ModuleFileFacts::Format::Pe32Plus;
    static constexpr Field<std::uint32_t> directoryCount{108};  // NumberOfRvaAndSizes
    static constexpr std::uint64_t directories = 112;           // DataDirectory
    using ImportLookupEntry = std::uint64_t;
};

// An entry of the optional header's data directories (IMAGE_DATA_DIRECTORY).
struct DataDirectory {
    static constexpr std::uint64_t size = 8;
    static constexpr Field<std::uint32_t> address{0};  // VirtualAddress
    static constexpr Field<std::uint32_t> length{4};   // Size
    // The entries the reader uses.
    static constexpr std::uint64_t exports = 0;        // IMAGE_DIRECTORY_ENTRY_EXPORT
    static constexpr std::uint64_t imports = 1;        // IMAGE_DIRECTORY_ENTRY_IMPORT
    static constexpr std::uint64_t delayImports = 13;  // IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT
};

// A section header (IMAGE_SECTION_HEADER).
struct SectionHeader {
    static constexpr std::uint64_t size = 40;
    static constexpr Field<std::uint32_t> virtualSize{8};      // VirtualSize
    static constexpr Field<std::uint32_t> virtualAddress{12};  // VirtualAddress
    static constexpr Field<std::uint32_t> rawSize{16};         // SizeOfRawData
    static constexpr Field<std::uint32_t> rawOffset{20};       // PointerToRawData
};

// An import directory entry (IMAGE_IMPORT_DESCRIPTOR).
struct ImportDescriptor {
    static constexpr std::uint64_t size = 20;
    static constexpr Field<std::uint32_t> nameTable{0};      // OriginalFirstThunk
    static constexpr Field<std::uint32_t> dllName{12};       // Name
    static constexpr Field<std::uint32_t> addressTable{16};  // FirstThunk
};

// A delay-load directory entry (IMAGE_DELAYLOAD_DESCRIPTOR).
struct DelayImportDescriptor {
    static constexpr std::uint64_t size = 32;
    static constexpr Field<std::uint32_t> dllName{4};     // DllNameRVA
    static constexpr Field<std::uint32_t> nameTable{16};  // ImportNameTableRVA
};

// An entry of a hint/name table (IMAGE_IMPORT_BY_NAME): a two-byte hint, then the name.
struct HintName {
    static constexpr std::uint64_t name = 2;  // Name
};

// The export directory (IMAGE_EXPORT_DIRECTORY).
struct ExportDirectory {
    static constexpr std::uint64_t size = 40;
    static constexpr Field<std::uint32_t> nameCount{24};  // NumberOfNames
    static constexpr Field<std::uint32_t> nameTable{32};  // AddressOfNames
};

// An entry of the export name table: the address of a name.
struct ExportName {
    static constexpr std::uint64_t size = 4;
    static constexpr Field<std::uint32_t> address{0};
};

struct PeSection {
    std::uint64_t virtualAddress = 0;
    std::uint64_t virtualSize = 0;
    std::uint64_t rawOffset = 0;
    std::uint64_t rawSize = 0;
};

// What the COFF header says, read before the kind of optional header is known.
struct CoffFacts {
    unsigned machine = 0;
    std::uint64_t sectionCount = 0;
    std::uint64_t optionalHeaderSize = 0;
    std::uint64_t optionalHeader = 0;  // its offset in the file
};

template <class Kind>
class PeReader {
public:
    PeReader(const ByteView& bytes, const CoffFacts& coff)
        : bytes_(bytes),
          coff_(coff),
          lookupEntriesLeft_(bytes.size() / sizeof(typename Kind::ImportLookupEntry)) {}

    ModuleFileFacts read() {
        ModuleFileFacts facts;
        facts.format = Kind::format;
        facts.machine = coff_.machine;
        const std::uint64_t optional = coff_.optionalHeader;
        directoryCount_ = bytes_.read(optional, Kind::directoryCount, "the optional header");
        if (directoryCount_ * DataDirectory::size + Kind::directories > coff_.optionalHeaderSize) {
            throw ModuleFileError("the PE data directories do not fit the optional header");
        }
        readSections(optional + coff_.optionalHeaderSize);
        readImports(facts);
        readDelayImports(facts);
        readExports(facts);
        return facts;
    }

private:
    void readSections(std::uint64_t table) {
        bytes_.require(table, coff_.sectionCount * SectionHeader::size, "the PE section table");
        const char* what = "a PE section header";
        for (std::uint64_t index = 0; index < coff_.sectionCount; ++index) {
            const std::uint64_t at = table + index * SectionHeader::size;
            PeSection section;
            section.virtualSize = bytes_.read(at, SectionHeader::virtualSize, what);
            section.virtualAddress = bytes_.read(at, SectionHeader::virtualAddress, what);
            section.rawSize = bytes_.read(at, SectionHeader::rawSize, what);
            section.rawOffset = bytes_.read(at, SectionHeader::rawOffset, what);
            sections_.push_back(section);
        }
    }

    // The directory's address and size, or 0 when the file has none.
    std::pair<std::uint64_t, std::uint64_t> directory(std::uint64_t index) const {
        if (index >= directoryCount_) return {0, 0};
        const std::uint64_t at =
            coff_.optionalHeader + Kind::directories + index * DataDirectory::size;
        const char* what = "a PE data directory";
        return {bytes_.read(at, DataDirectory::address, what),
                bytes_.read(at, DataDirectory::length, what)};
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

    // The names of one import lookup table: entries up to a zero entry; an entry with its top
    // bit set imports by number, else it is the address of a hint and a name.
    void readImportNames(std::uint64_t tableAddress, ModuleFileFacts& facts) const {
        using Entry = typename Kind::ImportLookupEntry;
        constexpr Field<Entry> entryField{0};
        constexpr std::uint64_t width = sizeof(Entry);
        constexpr std::uint64_t byNumber = std::uint64_t{1} << (8 * width - 1);
        constexpr std::uint64_t hintNameAddress = 0x7FFFFFFF;
        const char* what = "a PE import name table";
        for (std::uint64_t address = tableAddress;; address += width) {
            // Each DLL has a table of its own, so the entries of all of them fit in the file.
            // Descriptors that share one table would otherwise read it once each: a number of
            // imports (or, by number, of steps) that grows with the square of the file's size.
            if (lookupEntriesLeft_ == 0) {
                throw ModuleFileError(
                    "the file's import tables list far more entries than the file holds");
            }
            --lookupEntriesLeft_;
            const std::uint64_t entry =
                bytes_.read(offsetOf(address, width, what), entryField, what);
            if (entry == 0) return;
            if ((entry & byNumber) != 0) continue;
            facts.importedSymbols.push_back(
                nameAt((entry & hintNameAddress) + HintName::name, "an imported name"));
        }
    }

    void readImports(ModuleFileFacts& facts) const {
        const auto [address, size] = directory(DataDirectory::imports);
        if (address == 0 || size == 0) return;
        const char* what = "a PE import descriptor";
        for (std::uint64_t entry = address;; entry += ImportDescriptor::size) {
            const std::uint64_t at = offsetOf(entry, ImportDescriptor::size, what);
            const std::uint64_t names = bytes_.read(at, ImportDescriptor::nameTable, what);
            const std::uint64_t dll = bytes_.read(at, ImportDescriptor::dllName, what);
            const std::uint64_t addresses = bytes_.read(at, ImportDescriptor::addressTable, what);
            if (dll == 0 && names == 0 && addresses == 0) return;
            facts.neededLibraries.push_back(nameAt(dll, "an imported DLL's name"));
            if (names != 0 || addresses != 0)
                readImportNames(names != 0 ? names : addresses, facts);
        }
    }

    void readDelayImports(ModuleFileFacts& facts) const {
        const auto [address, size] = directory(DataDirectory::delayImports);
        if (address == 0 || size == 0) return;
        const char* what = "a PE delay-import descriptor";
        for (std::uint64_t entry = address;; entry += DelayImportDescriptor::size) {
            const std::uint64_t at = offsetOf(entry, DelayImportDescriptor::size, what);
            const std::uint64_t dll = bytes_.read(at, DelayImportDescriptor::dllName, what);
            const std::uint64_t names = bytes_.read(at, DelayImportDescriptor::nameTable, what);
            if (dll == 0) return;
            facts.neededLibraries.push_back(nameAt(dll, "a delay-loaded DLL's name"));
            if (names != 0) readImportNames(names, facts);
        }
    }

    void readExports(ModuleFileFacts& facts) const {
        const auto [address, size] = directory(DataDirectory::exports);
        if (address == 0 || size == 0) return;
        const char* what = "the PE export directory";
        const std::uint64_t at = offsetOf(address, ExportDirectory::size, what);
        const std::uint64_t nameCount = bytes_.read(at, ExportDirectory::nameCount, what);
        const std::uint64_t names = bytes_.read(at, ExportDirectory::nameTable, what);
        if (nameCount == 0) return;
        if (nameCount > bytes_.size() / ExportName::size)
            throw ModuleFileError("the PE export names lie outside the file");
        const char* tableWhat = "the PE export name table";
        const std::uint64_t table = offsetOf(names, nameCount * ExportName::size, tableWhat);
        for (std::uint64_t index = 0; index < nameCount; ++index) {
            const std::uint64_t name =
                bytes_.read(table + index * ExportName::size, ExportName::address, tableWhat);
            facts.exportedSymbols.push_back(nameAt(name, "an export's name"));
        }
    }

    ByteView bytes_;
    CoffFacts coff_;
    std::uint64_t directoryCount_ = 0;
    std::vector<PeSection> sections_;
    // The import lookup entries that may still be read; see readImportNames().
    mutable std::uint64_t lookupEntriesLeft_;
};

}  // namespace

bool isPeFile(std::string_view bytes) {
    return bytes.substr(0, DosHeader::magic.size()) == DosHeader::magic;
}

ModuleFileFacts readPe(std::string_view data) {
    const ByteView bytes(data, ByteOrder::little);
    const std::uint64_t header = bytes.read(0, DosHeader::peHeaderOffset, "the DOS header");
    if (bytes.read(header, PeSignature::signature, "the PE signature") != PeSignature::expected) {
        throw ModuleFileError("no PE signature where the DOS header points");
    }
    const std::uint64_t coffAt = header + PeSignature::size;
    const char* what = "the COFF header";
    CoffFacts coff;
    coff.machine = static_cast<unsigned>(bytes.read(coffAt, CoffHeader::machine, what));
    coff.sectionCount = bytes.read(coffAt, CoffHeader::sectionCount, what);
    coff.optionalHeaderSize = bytes.read(coffAt, CoffHeader::optionalHeaderSize, what);
    coff.optionalHeader = coffAt + CoffHeader::size;
    const std::uint64_t magic =
        bytes.read(coff.optionalHeader, OptionalHeader::magic, "the optional header");
    if (magic == OptionalHeader::pe32Magic) return PeReader<Pe32>(bytes, coff).read();
    if (magic == OptionalHeader::pe32PlusMagic) return PeReader<Pe32Plus>(bytes, coff).read();
    throw ModuleFileError("a PE optional header of unknown kind");
}

}  // namespace host
