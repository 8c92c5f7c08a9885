#pragma once

#include <filesystem>
#include <string>

namespace bench {

// A fresh folder under the system's temporary folder for the files the benchmarks write,
// made on first use and removed with everything in it when the program ends.
const std::filesystem::path& scratchFolder();

// A file name inside the scratch folder.
std::filesystem::path scratchFile(const std::string& name);

}  // namespace bench
