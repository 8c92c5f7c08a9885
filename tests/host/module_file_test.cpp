// Reading a module's headers without loading it: both formats on every system, the built
// modules, and files broken anywhere, which must be refused with a reason and never read
// outside the file.
#include "module/module_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "built_files.h"
#include "module/module_loader.h"
#include "module_images.h"
#include "program_run.h"
#include "scratch_folder.h"

namespace {

using host::ModuleFileError;
using host::ModuleFileFacts;
using host::parseModuleFile;

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

const test_support::ModuleImage sampleImage = {
    0,
    {"libstdc++.so.6", "libc.so.6"},
    {"_ZNSsC1ERKSs", "malloc"},
    {"getVer", "_Z6getVerv"},
    {"hiddenHelper"},
};

TEST(ModuleFileTest, ReadsBothFormats) {
    const ModuleFileFacts elf = parseModuleFile(test_support::elfImage(sampleImage));
    EXPECT_EQ(elf.format, ModuleFileFacts::Format::Elf64);
    EXPECT_EQ(elf.machine, 62u);
    EXPECT_EQ(elf.neededLibraries, sampleImage.neededLibraries);
    EXPECT_EQ(elf.importedSymbols, sampleImage.importedSymbols);
    // Hidden symbols are no exports.
    EXPECT_EQ(elf.exportedSymbols, sampleImage.exportedSymbols);

    test_support::ModuleImage dll = sampleImage;
    dll.neededLibraries = {"libstdc++-6.dll", "KERNEL32.dll"};
    dll.hiddenSymbols.clear();
    const ModuleFileFacts pe = parseModuleFile(test_support::peImage(dll));
    EXPECT_EQ(pe.format, ModuleFileFacts::Format::Pe32Plus);
    EXPECT_EQ(pe.machine, 0x8664u);
    EXPECT_EQ(pe.neededLibraries, dll.neededLibraries);
    EXPECT_EQ(pe.importedSymbols, dll.importedSymbols);
    EXPECT_EQ(pe.exportedSymbols, dll.exportedSymbols);
}

TEST(ModuleFileTest, ReadsTheBuiltModule) {
    const ModuleFileFacts facts = host::readModuleFile(test_support::builtModule("Addon001"));
    for (const char* name : {"getVer", "getInterfaceVer", "getFeature", "getAsDIVector",
                             "getFeaturesAndVersions", "getAsFIVector"}) {
        EXPECT_TRUE(contains(facts.exportedSymbols, name)) << name;
    }
    const bool onWindows = host::moduleSuffix() == ".dll";
    EXPECT_EQ(facts.format,
              onWindows ? ModuleFileFacts::Format::Pe32Plus : ModuleFileFacts::Format::Elf64);
    EXPECT_TRUE(contains(facts.neededLibraries, onWindows ? "libstdc++-6.dll" : "libstdc++.so.6"));
    // The class-library layer by its SONAME, one per major version.
    EXPECT_TRUE(contains(facts.neededLibraries, onWindows ? "afxlayer.dll" : "afxlayer.so.1"));
    // It takes std::string's members from the C++ runtime.
    EXPECT_TRUE(std::any_of(
        facts.importedSymbols.begin(), facts.importedSymbols.end(),
        [](const std::string& symbol) { return symbol.find("__cxx11") != std::string::npos; }));
}

// Every cut of a module file is either read or refused with a ModuleFileError.
void expectEveryCutReadOrRefused(const std::string& bytes, std::size_t step) {
    std::size_t refused = 0;
    for (std::size_t length = 0; length <= bytes.size(); length += step) {
        try {
            parseModuleFile(std::string_view(bytes).substr(0, length));
        } catch (const ModuleFileError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0u);
}

TEST(ModuleFileTest, EveryCutIsReadOrRefused) {
    expectEveryCutReadOrRefused(test_support::elfImage(sampleImage), 1);
    expectEveryCutReadOrRefused(test_support::peImage(sampleImage), 1);
    expectEveryCutReadOrRefused(test_support::readFile(test_support::builtModule("Addon001")), 997);
}

// The bytes with `width` bytes at `offset` set to `value` (little-endian).
std::string patched(std::string bytes, std::size_t offset, std::uint64_t value, unsigned width) {
    test_support::put(bytes, offset, value, width);
    return bytes;
}

std::string refusal(const std::string& bytes) {
    try {
        parseModuleFile(bytes);
    } catch (const ModuleFileError& error) {
        return error.what();
    }
    return "read";
}

TEST(ModuleFileTest, BrokenHeadersAreRefusedWithTheirReason) {
    const std::string elf = test_support::elfImage(sampleImage);
    EXPECT_NE(
        refusal(patched(elf, test_support::elfSectionTableOffsetField, 0xFFFFFFFFFFFFFFF0u, 8))
            .find("lies outside the file"),
        std::string::npos);
    EXPECT_EQ(refusal(patched(elf, test_support::elfSectionTableOffsetField, 0, 8)),
              "the ELF file has no section header table");
    // With no count in the header, the count is read from the first section header, which
    // must not be looked for at an offset that wraps round to the start of the file.
    EXPECT_EQ(refusal(patched(patched(elf, test_support::elfSectionTableOffsetField,
                                      0xFFFFFFFFFFFFFFFEu, 8),
                              test_support::elfSectionCountField, 0, 2))
                  .rfind("an ELF section header lies outside the file", 0),
              0u);
    EXPECT_EQ(refusal(patched(elf, 4, 3, 1)), "an ELF file of unknown class or byte order");
    // The dynamic symbols' string table pointed at a section that is none.
    const std::size_t sections = elf.size() - 4 * 64;
    EXPECT_EQ(refusal(patched(elf, sections + 2 * 64 + 0x28, 9, 4)),
              "an ELF section links to no string table");

    const std::string pe = test_support::peImage(sampleImage);
    EXPECT_NE(refusal(patched(pe, test_support::peHeaderOffsetField, 0x7FFFFFF0, 4))
                  .find("lies outside the file"),
              std::string::npos);
    EXPECT_EQ(refusal(patched(pe, test_support::peHeaderOffsetField, 0, 4)),
              "no PE signature where the DOS header points");

    EXPECT_EQ(refusal(""), "neither an ELF nor a PE file");
    EXPECT_EQ(refusal("#!/bin/sh\necho not a module\n"), "neither an ELF nor a PE file");
}

TEST(ModuleFileTest, NamesSharedByEveryEntryCannotBlowUpTheReading) {
    // Two thousand symbols, each pointing at the same 60,000-byte name: 120 MB of names from a
    // file of some 100 kB.
    test_support::ModuleImage image;
    image.exportedSymbols.push_back(std::string(60'000, 'x'));
    for (int index = 0; index < 2000; ++index) image.exportedSymbols.push_back("y");
    std::string bytes = test_support::elfImage(image);
    const ModuleFileFacts honest = parseModuleFile(bytes);
    ASSERT_EQ(honest.exportedSymbols.size(), 2001u);
    // The symbol table follows the string table; entry 1 names the long one.
    const std::size_t strings = 64;
    const std::size_t symbols = strings + 1 + 60'001 + 2000 * 2;
    for (int index = 2; index <= 2001; ++index) bytes = patched(bytes, symbols + index * 24, 1, 4);
    EXPECT_EQ(refusal(bytes), "the file's tables name far more text than the file holds");
}

TEST(ModuleFileTest, ImportTablesSharedByEveryDllCannotBlowUpTheReading) {
    // A thousand DLLs whose descriptors all point at one table of a thousand empty names (or
    // imports by number, which cost no name at all): a million imports from a file of 50 kB.
    test_support::ModuleImage image;
    for (int index = 0; index < 1000; ++index) {
        image.neededLibraries.push_back("d" + std::to_string(index) + ".dll");
        image.importedSymbols.push_back("");
    }
    std::string bytes = test_support::peImage(image);
    ASSERT_EQ(parseModuleFile(bytes).importedSymbols.size(), 1000u);
    // Every descriptor takes the first one's tables.
    const std::size_t descriptors = test_support::peSectionOffset;
    std::uint64_t table = 0;
    for (unsigned index = 0; index < 4; ++index) {
        table |= std::uint64_t{static_cast<unsigned char>(bytes[descriptors + index])}
                 << (8 * index);
    }
    for (std::size_t index = 1; index < 1000; ++index) {
        test_support::put(bytes, descriptors + 20 * index, table, 4);       // names
        test_support::put(bytes, descriptors + 20 * index + 16, table, 4);  // addresses
    }
    EXPECT_EQ(refusal(bytes), "the file's import tables list far more entries than the file holds");
}

TEST(ModuleFileTest, OnlyRegularFilesAreRead) {
    const auto folder = test_support::scratchFolder("module_file");
    const auto expectRefusal = [](const std::filesystem::path& file, const std::string& reason) {
        try {
            host::readModuleFile(file);
            ADD_FAILURE() << "read " << file;
        } catch (const ModuleFileError& error) {
            EXPECT_EQ(error.what(), reason);
        }
    };
    expectRefusal(folder / "missing.so", "no such file");
    expectRefusal(folder, "not a module file but a directory");
    // A FIFO without a writer would block whoever opens it for reading. Windows has none (Wine
    // shows a Unix one as no file at all).
    if (host::moduleSuffix() == ".dll") return;
    const auto fifo = folder / "fifo.so";
    const auto made = test_support::runProgram("/usr/bin/mkfifo", {fifo.string()});
    if (made.exitCode != 0) GTEST_SKIP() << "no mkfifo on this system";
    expectRefusal(fifo, "not a module file but a FIFO");
}

}  // namespace
