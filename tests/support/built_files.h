#pragma once

#include <filesystem>
#include <string>

namespace test_support {

// A module built into the tests' output folder, by its name without the platform's ending.
std::filesystem::path builtModule(const std::string& baseName);

// A program built into the tests' output folder, by its name without the platform's ending.
std::filesystem::path builtProgram(const std::string& baseName);

// A fresh, empty folder for one test's files, removed again by the caller's cleanup.
std::filesystem::path scratchFolder(const std::string& name);

// The whole content of a file, or empty when it cannot be read.
std::string readFile(const std::filesystem::path& file);

}  // namespace test_support
