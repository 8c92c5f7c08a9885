#pragma once

#include <filesystem>
#include <fstream>

namespace test_support {

// Holds a file so that it can be neither renamed nor removed while the object lives, as a
// second handle without delete sharing holds it on Windows (another program logging to the
// same file, a viewer, a virus scanner). On Windows an open stream does that; on Linux, where
// open files can always be renamed, the file is bind-mounted onto itself, which makes renames
// and removals of its name fail (this needs administrator rights). Writing to the file, and
// opening it again, still work on both systems.
class HeldFile {
public:
    explicit HeldFile(const std::filesystem::path& file);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // False when this system offers neither way; a test then skips.
    bool held() const { return held_; }
    // Lets the file go (as the destructor does).
    void release();

private:
    std::filesystem::path file_;
    std::ifstream stream_;
    bool mounted_ = false;
    bool held_ = false;
};

}  // namespace test_support
