#pragma once

#include <cstdint>

namespace platform {

// Which file an open file or a path is: two have equal identities exactly when they are the
// same file, also when it was renamed in between (device and inode on Linux, volume serial
// number and file index on Windows).
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;

    friend bool operator==(const FileIdentity& a, const FileIdentity& b) {
        return a.volume == b.volume && a.index == b.index;
    }
    friend bool operator!=(const FileIdentity& a, const FileIdentity& b) { return !(a == b); }
};

}  // namespace platform
