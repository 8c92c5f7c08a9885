#pragma once

#include <string>
#include <system_error>

#include "addon001/log/export.h"
#include "addon001/platform/folder.h"

namespace Log::detail {

// The step of a rotation that failed.
enum class RotationStep {
    none,
    moveLive,      // the live file could not be moved aside (held open, say)
    removeOldest,  // the oldest backup could not be removed
    shiftBackup,   // a backup could not take the next number
    placeMoved,    // the moved-aside live file could not take backup 1's name
};

// How a rotation (or the recovery of an interrupted one) ended.
struct ADDONLOG_API RotationResult {
    RotationStep failedAt = RotationStep::none;
    int backup = 0;         // the backup that could not be moved on (shiftBackup)
    std::error_code error;  // the system's reason

    bool ok() const { return failedAt == RotationStep::none; }
    // What failed, in words: "backup 6 could not be removed (Directory not empty)".
    std::string describe() const;
};

// The files of one log set in its folder: the live file, the file a rotation has moved aside
// (the live name with ".rotating") and backups 1 (newest) to 6 (oldest). It holds no state of
// its own; every step names the files afresh, and none of them replaces an existing file.
class ADDONLOG_API BackupSet {
public:
    BackupSet(const platform::Folder& folder, const std::wstring& liveName)
        : folder_(folder), live_(liveName) {}

    // Moves the live file to backup 1. The live file is moved aside first, so that no backup is
    // touched unless it really can be moved; then each backup moves one number up, and the
    // moved file takes backup 1. When the backups cannot make room, the live file gets its name
    // back. A file that an interrupted rotation left is placed first.
    RotationResult rotate() const;

    // A rotation interrupted after the live file was moved aside (a crash, or a live file that
    // could not get its name back) left the moved file: it is placed into backup 1 now, as the
    // rotation meant to, or, when the backups cannot make room, gets the live file's name back
    // if that is free. Fails when it is still there. Only under the set's lock, so that the
    // moved file is no other process's rotation in progress.
    RotationResult recover() const;

    // The name of the file at a place of the set (format.h's places).
    std::wstring nameAt(int place) const;

private:
    // Makes room at backup 1 and moves the moved-aside file there.
    RotationResult place() const;
    // Each backup one number up, from the first free number down, so that each rename targets
    // the name just vacated. Only when every number is taken is the oldest backup removed; a gap
    // (a backup removed by hand, a rotation interrupted halfway) is filled instead. The first
    // step that fails ends the shift: the backup that cannot move blocks every one below it, and
    // those above it keep the numbers they have moved to, so that trying again moves nothing
    // further.
    RotationResult shift() const;

    const platform::Folder& folder_;
    std::wstring live_;
};

}  // namespace Log::detail
