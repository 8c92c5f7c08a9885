// Loading a module file: every kind of file that is no module for this system is refused with
// the system loader's own reason.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <regex>

#include "built_files.h"
#include "module/module_loader.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

bool onElfSystem() {
    return host::moduleSuffix() == ".so";
}

// What loading `file` failed with.
host::ModuleLoadError loadError(const fs::path& file) {
    try {
        host::LoadedModule module(file);
    } catch (const host::ModuleLoadError& error) {
        return error;
    }
    ADD_FAILURE() << "loaded " << file;
    return host::ModuleLoadError(host::LoadFailure::NotLoadable, "");
}

void writeFile(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// The built module with the bytes at `offset` replaced: the same file, made for another machine.
void writePatchedModule(const fs::path& file, std::size_t offset, const std::string& bytes) {
    std::string module = test_support::readFile(test_support::builtModule("Addon001"));
    ASSERT_GT(module.size(), offset + bytes.size());
    module.replace(offset, bytes.size(), bytes);
    writeFile(file, module);
}

// Where the machine type stands: in an ELF header at byte 18; in a PE file in the COFF header,
// four bytes after the offset given at byte 0x3C.
std::size_t machineOffset() {
    if (onElfSystem()) return 18;
    const std::string module = test_support::readFile(test_support::builtModule("Addon001"));
    return static_cast<unsigned char>(module[0x3C]) +
           static_cast<std::size_t>(static_cast<unsigned char>(module[0x3D])) * 256 + 4;
}

struct BadFile {
    std::string kind;
    std::function<void(const fs::path&)> make;
    std::string elfReason;  // what the dynamic linker says of it
};

TEST(ModuleLoaderTest, FilesThatAreNoModuleNameTheSystemsReason) {
    const fs::path folder = test_support::scratchFolder("module_loader");
    const std::vector<BadFile> badFiles = {
        {"an empty file", [](const fs::path& file) { writeFile(file, ""); }, "file too short"},
        {"a text file",
         [](const fs::path& file) {
             writeFile(file, std::string(20, ' ') +
                                 "This is text, not a module: no machine "
                                 "code, no header of any module format.\n");
         },
         "invalid ELF header"},
        {"a password file",
         [](const fs::path& file) {
             writeFile(file, "root:x:0:0:root:/root:/bin/bash\ndaemon:x:1:1::/usr/sbin:/bin/sh\n");
         },
         "invalid ELF header"},
        // ELF: class byte ELFCLASS32; PE: machine i386.
        {"a 32-bit module",
         [](const fs::path& file) {
             if (onElfSystem()) {
                 writePatchedModule(file, 4, "\x01");
             } else {
                 writePatchedModule(file, machineOffset(), std::string("\x4c\x01", 2));
             }
         },
         "wrong ELF class: ELFCLASS32"},
        // ELF: machine AArch64 (183); PE: machine ARM64 (0xAA64).
        {"a module for another processor",
         [](const fs::path& file) {
             writePatchedModule(
                 file, machineOffset(),
                 onElfSystem() ? std::string("\xb7\x00", 2) : std::string("\x64\xaa", 2));
         },
         "cannot open shared object file"},
    };
    int number = 0;
    for (const BadFile& bad : badFiles) {
        SCOPED_TRACE(bad.kind);
        const fs::path file = folder / ("Bad" + std::to_string(++number) + host::moduleSuffix());
        bad.make(file);
        const host::ModuleLoadError error = loadError(file);
        EXPECT_EQ(error.failure(), host::LoadFailure::NotLoadable);
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("not loadable: ", 0), 0u) << message;
        // The system loader's words, not a stand-in error code's.
        EXPECT_EQ(message.find("Bad file descriptor"), std::string::npos) << message;
        if (onElfSystem()) {
            EXPECT_NE(message.find(bad.elfReason), std::string::npos) << message;
            // Said once: the path, which the host prints before it, is not repeated.
            EXPECT_EQ(message.find(file.string()), std::string::npos) << message;
        } else {
            // The system message of the error code, and the code.
            EXPECT_TRUE(std::regex_search(message, std::regex(R"(: \S.* \(error \d+\)$)")))
                << message;
        }
    }
}

TEST(ModuleLoaderTest, LoadErrorsNameTheirKind) {
    EXPECT_EQ(loadError(test_support::builtModule("NoSuchModule")).failure(),
              host::LoadFailure::MissingFile);
    const host::ModuleLoadError folder = loadError(test_support::scratchFolder("a_folder"));
    EXPECT_EQ(folder.failure(), host::LoadFailure::NotLoadable);
    EXPECT_STREQ(folder.what(), "not a module file but a directory");
    // A path the system cannot follow is named by the system's reason, not as "no regular file".
    const fs::path scratch = test_support::scratchFolder("unfollowable");
    if (onElfSystem()) {  // a name longer than a Linux file system's 255 bytes
        const std::string reason = loadError(scratch / std::string(300, 'n') / "M.so").what();
        EXPECT_EQ(reason, "cannot be opened: File name too long");
    }
    std::error_code noLinks;
    fs::create_symlink("loop2", scratch / "loop1", noLinks);
    fs::create_symlink("loop1", scratch / "loop2", noLinks);
    if (!noLinks) {
        const std::string loop = loadError(scratch / "loop1").what();
        EXPECT_EQ(loop.rfind("cannot be opened: ", 0), 0u) << loop;
    }
}

}  // namespace
