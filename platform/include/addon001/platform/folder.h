#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <system_error>

#include "addon001/platform/file_identity.h"

namespace platform {

// Refusals of this layer's own, beside the system's codes: the file operations of a log set
// neither follow a link at the end of a name nor take anything but a regular file, so that
// whoever may write the folder cannot send them to a file of their choice.
enum class FileRefusal {
    linkInPlace = 1,  // a symbolic link (or another reparse point) has the file's name
    notAFile,         // a folder, or anything else that is no regular file, has the name
};
const std::error_category& refusalCategory();
std::error_code make_error_code(FileRefusal refusal);

// `path` made absolute against the current working folder, as it is now, with no link resolved
// (an administrator may reach a folder through a link on purpose).
std::wstring absolutePath(const std::wstring& path);

// The folder part and the name part of an absolute path: "/var/log" and "app.log".
struct SplitPath {
    std::wstring folder;
    std::wstring name;
};
SplitPath splitPath(const std::wstring& absolute);

// What a name in a folder is, without following a link at its end.
struct EntryStatus {
    enum class Kind {
        missing,   // nothing by that name (or the folder itself is gone)
        file,      // a regular file
        folder,    // a directory
        link,      // a symbolic link or another reparse point, whatever it points to
        other,     // a device, a pipe, a socket ...
        unusable,  // the system would not say: `error` holds its reason
    };
    Kind kind = Kind::missing;
    FileIdentity identity;
    unsigned permissions = 0;  // Linux mode bits (0 on Windows)
    std::error_code error;
};

// A folder held open, in which files are named by their bare names: on Linux through the
// folder's descriptor (openat, renameat), so that neither a later change of the working folder
// nor a link swapped into the folder's path moves the files; on Windows by the folder's absolute
// path. The folder itself may be reached through a link. Never inherited by a child process.
class Folder {
public:
    Folder() noexcept = default;
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // Opens the folder at the absolute `path`.
    std::error_code open(const std::wstring& path);
    void close() noexcept;
    bool isOpen() const noexcept { return opened_; }
    const std::wstring& path() const noexcept { return path_; }
    // The full path of `name` in the folder.
    std::wstring pathOf(const std::wstring& name) const;
    // Opens the folder's path anew when it names another folder than the one held (the folder
    // was removed and made again, or this process was forked and needs a handle of its own when
    // `always` is set); whether the folder held changed.
    bool refresh(bool always = false);

    EntryStatus status(const std::wstring& name) const;
    // Renames a file (or a link, never what it points to) within the folder; an existing target
    // is never replaced.
    std::error_code rename(const std::wstring& from, const std::wstring& to) const;
    // Removes a file or a link, never a folder.
    std::error_code remove(const std::wstring& name) const;

    // An advisory lock on the folder itself, for when no lock file can be used: tried for at
    // most `limit`; std::errc::resource_unavailable_try_again when another holder kept it that
    // long, std::errc::not_supported where the system locks no folder (Windows).
    std::error_code lock(std::chrono::milliseconds limit) const;
    void unlock() const noexcept;

    // The system's handle (a descriptor on Linux), for the files opened in the folder.
    std::intptr_t handle() const noexcept { return handle_; }

private:
    std::wstring path_;
    std::intptr_t handle_ = -1;
    bool opened_ = false;
};

}  // namespace platform

namespace std {
template <>
struct is_error_code_enum<platform::FileRefusal> : true_type {};
}  // namespace std
