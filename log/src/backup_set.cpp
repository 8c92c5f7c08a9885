#include "backup_set.h"

#include "addon001/log/format.h"

namespace Log::detail {

namespace {
bool exists(const platform::Folder& folder, const std::wstring& name) {
    return folder.status(name).kind != platform::EntryStatus::Kind::missing;
}
}  // namespace

std::string RotationResult::describe() const {
    std::string text;
    switch (failedAt) {
        case RotationStep::moveLive:
            text = "the live file could not be renamed";
            break;
        case RotationStep::removeOldest:
            text = "backup " + std::to_string(format::backupCount) + " could not be removed";
            break;
        case RotationStep::shiftBackup:
            text = "backup " + std::to_string(backup) + " could not be renamed to backup " +
                   std::to_string(backup + 1);
            break;
        case RotationStep::placeMoved:
        case RotationStep::none:
            text = "the live file could not be renamed to backup 1";
            break;
    }
    if (error) text += " (" + error.message() + ")";
    return text;
}

std::wstring BackupSet::nameAt(int place) const {
    return format::setFileName(live_, place);
}

RotationResult BackupSet::rotate() const {
    if (RotationResult recovered = recover(); !recovered.ok()) return recovered;
    const std::wstring moved = nameAt(format::rotatingPlace);
    if (const std::error_code error = folder_.rename(live_, moved)) {
        return {RotationStep::moveLive, 0, error};
    }
    RotationResult placed = place();
    // Should the name be taken meanwhile (another program made a new live file), the moved file
    // stays, and a later rotation or open places it.
    if (!placed.ok()) static_cast<void>(folder_.rename(moved, live_));
    return placed;
}

RotationResult BackupSet::recover() const {
    const std::wstring moved = nameAt(format::rotatingPlace);
    if (folder_.status(moved).kind != platform::EntryStatus::Kind::file) return {};
    RotationResult placed = place();
    if (placed.ok() || !folder_.rename(moved, live_)) return {};
    return placed;
}

RotationResult BackupSet::place() const {
    if (RotationResult shifted = shift(); !shifted.ok()) return shifted;
    if (const std::error_code error = folder_.rename(nameAt(format::rotatingPlace), nameAt(1))) {
        return {RotationStep::placeMoved, 0, error};
    }
    return {};
}

RotationResult BackupSet::shift() const {
    int free = 1;
    while (free <= format::backupCount && exists(folder_, nameAt(free))) ++free;
    if (free > format::backupCount) {
        free = format::backupCount;
        if (const std::error_code error = folder_.remove(nameAt(free))) {
            return {RotationStep::removeOldest, free, error};
        }
    }
    for (int number = free - 1; number >= 1; --number) {
        if (const std::error_code error = folder_.rename(nameAt(number), nameAt(number + 1))) {
            return {RotationStep::shiftBackup, number, error};
        }
    }
    return {};
}

}  // namespace Log::detail
