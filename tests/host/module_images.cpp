#include "module_images.h"

#include <cstdint>

namespace test_support {

void put(std::string& bytes, std::size_t offset, std::uint64_t value, unsigned width) {
    if (bytes.size() < offset + width) bytes.resize(offset + width, '\0');
    for (unsigned index = 0; index < width; ++index) {
        bytes[offset + index] = static_cast<char>((value >> (8 * index)) & 0xFF);
    }
}

namespace {

void append(std::string& bytes, std::uint64_t value, unsigned width) {
    put(bytes, bytes.size(), value, width);
}

// A string table: offset 0 holds the empty name.
struct Strings {
    std::string bytes = std::string(1, '\0');
    std::uint64_t add(const std::string& text) {
        const std::uint64_t offset = bytes.size();
        bytes += text;
        bytes += '\0';
        return offset;
    }
};

}  // namespace

std::string elfImage(const ModuleImage& image) {
    Strings strings;
    std::string symbols(24, '\0');  // entry 0: the undefined symbol
    const auto addSymbol = [&](const std::string& name, bool defined, unsigned visibility) {
        append(symbols, strings.add(name), 4);
        append(symbols, (1u << 4) | 2u, 1);  // STB_GLOBAL, STT_FUNC
        append(symbols, visibility, 1);
        append(symbols, defined ? 7 : 0, 2);  // a section index, or SHN_UNDEF
        append(symbols, defined ? 0x1000 : 0, 8);
        append(symbols, 0, 8);
    };
    for (const std::string& name : image.importedSymbols) addSymbol(name, false, 0);
    for (const std::string& name : image.exportedSymbols) addSymbol(name, true, 0);
    for (const std::string& name : image.hiddenSymbols) addSymbol(name, true, 2);
    std::string dynamic;
    for (const std::string& library : image.neededLibraries) {
        append(dynamic, 1, 8);  // DT_NEEDED
        append(dynamic, strings.add(library), 8);
    }
    append(dynamic, 0, 8);  // DT_NULL
    append(dynamic, 0, 8);

    std::string bytes(64, '\0');
    bytes.replace(0, 4,
                  "\x7f"
                  "ELF");
    bytes[4] = 2;  // 64-bit
    bytes[5] = 1;  // little-endian
    bytes[6] = 1;
    put(bytes, 16, 3, 2);  // ET_DYN
    put(bytes, 18, image.machine != 0 ? image.machine : 62, 2);
    put(bytes, 20, 1, 4);
    const std::uint64_t stringsAt = bytes.size();
    bytes += strings.bytes;
    const std::uint64_t symbolsAt = bytes.size();
    bytes += symbols;
    const std::uint64_t dynamicAt = bytes.size();
    bytes += dynamic;
    const std::uint64_t sectionsAt = bytes.size();
    put(bytes, elfSectionTableOffsetField, sectionsAt, 8);
    put(bytes, 0x34, 64, 2);  // header size
    put(bytes, 0x3A, 64, 2);  // section header size
    put(bytes, elfSectionCountField, 4, 2);
    const auto addSection = [&](unsigned type, std::uint64_t offset, std::uint64_t size,
                                unsigned link, std::uint64_t entrySize) {
        std::string header(64, '\0');
        put(header, 4, type, 4);
        put(header, 0x18, offset, 8);
        put(header, 0x20, size, 8);
        put(header, 0x28, link, 4);
        put(header, 0x38, entrySize, 8);
        bytes += header;
    };
    addSection(0, 0, 0, 0, 0);
    addSection(3, stringsAt, strings.bytes.size(), 0, 0);  // .dynstr
    addSection(11, symbolsAt, symbols.size(), 1, 24);      // .dynsym
    addSection(6, dynamicAt, dynamic.size(), 1, 16);       // .dynamic
    return bytes;
}

std::string peImage(const ModuleImage& image) {
    constexpr std::uint64_t sectionAddress = 0x1000;
    // The section's contents, laid out front to back; `at` gives an offset's address.
    std::string section;
    const auto at = [&](std::uint64_t offset) { return sectionAddress + offset; };
    const auto addName = [&](const std::string& name) {
        const std::uint64_t offset = section.size();
        section += name;
        section += '\0';
        return at(offset);
    };

    // Import descriptors first, filled in once their tables stand.
    const std::uint64_t importsAt = section.size();
    section.append(20 * (image.neededLibraries.size() + 1), '\0');
    for (std::size_t index = 0; index < image.neededLibraries.size(); ++index) {
        const std::uint64_t dllName = addName(image.neededLibraries[index]);
        std::vector<std::uint64_t> hints;
        if (index == 0) {
            for (const std::string& name : image.importedSymbols) {
                const std::uint64_t hint = section.size();
                append(section, 0, 2);
                addName(name);
                hints.push_back(at(hint));
            }
        }
        while (section.size() % 8 != 0) section += '\0';
        const std::uint64_t table = section.size();
        for (std::uint64_t hint : hints) append(section, hint, 8);
        append(section, 0, 8);
        const std::size_t descriptor = importsAt + 20 * index;
        put(section, descriptor, at(table), 4);       // names
        put(section, descriptor + 12, dllName, 4);    // the DLL's name
        put(section, descriptor + 16, at(table), 4);  // addresses
    }

    std::uint64_t exportsAt = 0;
    if (!image.exportedSymbols.empty()) {
        std::vector<std::uint64_t> names;
        for (const std::string& name : image.exportedSymbols) names.push_back(addName(name));
        while (section.size() % 4 != 0) section += '\0';
        const std::uint64_t nameTable = section.size();
        for (std::uint64_t name : names) append(section, name, 4);
        exportsAt = section.size();
        section.append(40, '\0');
        put(section, exportsAt + 20, names.size(), 4);
        put(section, exportsAt + 24, names.size(), 4);
        put(section, exportsAt + 32, at(nameTable), 4);
    }

    std::string bytes(0x40, '\0');
    bytes.replace(0, 2, "MZ");
    put(bytes, peHeaderOffsetField, 0x40, 4);
    bytes += std::string("PE\0\0", 4);
    const std::size_t coff = bytes.size();
    put(bytes, coff, image.machine != 0 ? image.machine : 0x8664, 2);
    put(bytes, coff + 2, 1, 2);     // sections
    put(bytes, coff + 16, 240, 2);  // optional header size: PE32+ with 16 directories
    put(bytes, coff + 18, 0x2022, 2);
    const std::size_t optional = coff + 20;
    put(bytes, optional, 0x20B, 2);
    put(bytes, optional + 108, 16, 4);
    if (exportsAt != 0) {
        put(bytes, optional + 112, at(exportsAt), 4);
        put(bytes, optional + 116, 40, 4);
    }
    if (!image.neededLibraries.empty()) {
        put(bytes, optional + 120, at(importsAt), 4);
        put(bytes, optional + 124, 20 * (image.neededLibraries.size() + 1), 4);
    }
    const std::size_t table = optional + 240;
    put(bytes, table + 8, section.size(), 4);
    put(bytes, table + 12, sectionAddress, 4);
    put(bytes, table + 16, section.size(), 4);
    put(bytes, table + 20, peSectionOffset, 4);
    bytes.resize(peSectionOffset, '\0');
    bytes += section;
    return bytes;
}

}  // namespace test_support
