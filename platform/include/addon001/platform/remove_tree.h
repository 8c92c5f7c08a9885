#pragma once

#include <filesystem>

namespace platform {

// Removes a file or a folder with everything in it; true when nothing is left at `path`.
//
// std::filesystem::remove_all cannot be used for folders whose files another process may still
// hold: on Windows a file deleted while still open stays in its folder (delete pending) until the
// last handle closes, so the folder cannot be removed yet, and the MinGW C++ library's remove_all
// then loops for ever on the entry that vanishes between listing and removal. This removal
// retries for a bounded time (the handles of a process that has just ended close a moment after
// it is seen to end) and then gives up.
bool removeTree(const std::filesystem::path& path) noexcept;

}  // namespace platform
