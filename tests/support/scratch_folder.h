#pragma once

#include <filesystem>
#include <string>

namespace test_support {

// A fresh, empty folder for one test's files, below the system's temporary folder (TMPDIR):
// one folder per test program run, removed with everything in it when the program ends, so
// that test programs running side by side never share one.
std::filesystem::path scratchFolder(const std::string& name);

// The whole content of a file as stored, or empty when it cannot be read.
std::string readFile(const std::filesystem::path& file);

// Makes `file` hold exactly `bytes` (no line-end conversion), replacing what it held.
void writeFile(const std::filesystem::path& file, const std::string& bytes);

}  // namespace test_support
