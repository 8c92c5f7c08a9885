#pragma once

#include <fstream>
#include <memory>
#include <ostream>
#include <string>

namespace platform {

// Removes a file by its wide path; false when nothing was removed (directories are never
// removed).
bool removeFile(const std::wstring& path);

// Renames a file or folder; false when it stayed where it was. Whether an existing target is
// replaced depends on the system (Windows refuses, Linux replaces a file).
bool renameFile(const std::wstring& from, const std::wstring& to);

// The file system's wide path for a path given on the command line (UTF-8 on Linux, the ANSI
// code page on Windows).
std::wstring widenPath(const std::string& narrowPath);

// How WidePathOutputStream::open treats an existing file.
enum class OpenMode {
    append,    // keep the content, every write goes to the end; create a missing file
    truncate,  // create the file, or empty it if it exists
};

// A narrow output file stream opened by a wide path, as text (on Windows each newline is stored
// as CR LF) and shared with other processes for reading and writing. Its state follows
// std::ofstream: open on an open stream or a failed open sets failbit, a successful open clears
// the state, close on a closed stream sets failbit. After a flush, tellp() is the byte offset
// in the file as stored.
class WidePathOutputStream : public std::ostream {
public:
    WidePathOutputStream();
    ~WidePathOutputStream() override;
    WidePathOutputStream(const WidePathOutputStream&) = delete;
    WidePathOutputStream& operator=(const WidePathOutputStream&) = delete;

    void open(const std::wstring& path, OpenMode mode);
    bool isOpen() const;
    void close();

private:
    std::unique_ptr<std::filebuf> buffer_;
};

}  // namespace platform
