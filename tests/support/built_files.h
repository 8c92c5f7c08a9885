#pragma once

#include <filesystem>
#include <string>

namespace test_support {

// A module built into the tests' output folder, by its name without the platform's ending.
std::filesystem::path builtModule(const std::string& baseName);

// A program built into the tests' output folder, by its name without the platform's ending.
std::filesystem::path builtProgram(const std::string& baseName);

}  // namespace test_support
