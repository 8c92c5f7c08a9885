#pragma once

// Small module files made byte by byte, ELF and PE alike, so that the host's reader of module
// headers is tested on both formats on every system, and can be given files that are broken
// in one known place.
#include <string>
#include <vector>

namespace test_support {

struct ModuleImage {
    unsigned machine = 0;                      // 0: the usual x86-64 code of the format
    std::vector<std::string> neededLibraries;  // DT_NEEDED; PE: the DLLs imported from
    std::vector<std::string> importedSymbols;  // PE: imported by name from the first DLL
    std::vector<std::string> exportedSymbols;
    std::vector<std::string> hiddenSymbols;  // ELF only: defined, but hidden
};

// An ELF 64-bit little-endian shared object with a dynamic symbol table and a dynamic section.
std::string elfImage(const ModuleImage& image);
// A PE32+ DLL with one section that holds the import and export tables.
std::string peImage(const ModuleImage& image);

// Sets `width` bytes at `offset` to `value`, little-endian, growing `bytes` where needed.
void put(std::string& bytes, std::size_t offset, std::uint64_t value, unsigned width);

// Where the fields of those images stand, for tests that break them.
inline constexpr std::size_t elfSectionTableOffsetField = 0x28;
inline constexpr std::size_t elfSectionCountField = 0x3C;
inline constexpr std::size_t peHeaderOffsetField = 0x3C;
// The PE image's one section starts with its import descriptors.
inline constexpr std::size_t peSectionOffset = 0x400;

}  // namespace test_support
