#include "drive_catalogue.h"

#include "init_order.h"
#include "log_statement.h"

namespace addon {
namespace {
// Module-static: constructed empty at load, filled on first use, destroyed at unload. The
// fill is unguarded; the host calls the exports from one thread at a time.
std::map<std::string, int> fieldTable MODULE_INIT_PRIORITY(MODULE_INIT_DRIVE_TABLES);
bool fieldTableFilled = false;

char failureText[] = "CString setDriveInfoString() failed";

// The key whose index is `index`, searching the table by value.
const std::string* keyOfIndex(int index) {
    for (const auto& entry : fieldTable) {
        if (entry.second == index) return &entry.first;
    }
    return nullptr;
}
}  // namespace

std::vector<std::string> driveCatalogue() {
    return {"HX-027", "HX 27",  "HX-140", "HX-240", "HX-360", "HX-370",
            "HXD370", "RB-510", "RB-530", "RB-560", "RBV560", "LQ-370"};
}

const std::map<std::string, int>& driveInfoFieldTable() {
    return fieldTable;
}

void initDriveInfoTables() {
    if (fieldTableFilled) return;
    static const char* const keys[driveInfoFieldCount] = {"D", "R",  "W",  "V",  "P",  "F",  "B",
                                                          "L", "O1", "O2", "O3", "O4", "DV", "M"};
    for (std::size_t index = 0; index < driveInfoFieldCount; ++index) {
        fieldTable[keys[index]] = static_cast<int>(index);
    }
    // Set only once every entry is in: a fill interrupted by an exception runs again next time.
    fieldTableFilled = true;
}

DriveInfoSlots makeDriveInfoSlots() {
    initDriveInfoTables();
    return DriveInfoSlots(driveInfoFieldCount);
}

void resetDriveInfoSlots(DriveInfoSlots& slots) {
    slots.clear();
    slots.resize(driveInfoFieldCount);
}

void setDriveType(DriveInfoSlots& slots, const std::string& code) {
    slots.resize(driveInfoFieldCount);
    slots[0] = code;
}

std::string setDriveInfoString(const DriveInfoSlots& slots) {
    std::string result;
    try {
        const std::size_t count = slots.size();
        for (std::size_t index = 0; index < count; ++index) {
            if (slots[index].empty()) continue;
            const std::string* key = keyOfIndex(static_cast<int>(index));
            // A slot beyond the known fields has no key; its value has no place in the text.
            if (key == nullptr) continue;
            result.append(*key).append("=").append(slots[index]).append(";");
        }
        if (!result.empty()) result.erase(result.size() - 1);
    } catch (...) {
        LOG_AT(Log::INF) << "Unknown exception";
        throw failureText;
    }
    return result;
}

void expandDriveCatalogue(const std::vector<std::string>& codes,
                          std::set<std::string>& driveInfos) {
    DriveInfoSlots slots = makeDriveInfoSlots();
    resetDriveInfoSlots(slots);
    for (const std::string& code : codes) {
        setDriveType(slots, code);
        driveInfos.insert(setDriveInfoString(slots));
        resetDriveInfoSlots(slots);
    }
}

void fillDriveInfos(std::set<std::string>& driveInfos) {
    driveInfos.clear();
    expandDriveCatalogue(driveCatalogue(), driveInfos);
}

}  // namespace addon
