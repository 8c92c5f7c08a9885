#include "drive_catalogue.h"

#include <iterator>

#include "addon001/log/log_statement.h"
#include "module_init_order.h"

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
    static const char* const codes[] = {"HX-027", "HX 27",  "HX-140", "HX-240", "HX-360", "HX-370",
                                        "HXD370", "RB-510", "RB-530", "RB-560", "RBV560", "LQ-370"};
    // Built from the texts directly: an initializer list of strings would construct each
    // code twice, once in the list and once in the vector.
    return std::vector<std::string>(std::begin(codes), std::end(codes));
}

const std::map<std::string, int>& driveInfoFieldTable() {
    return fieldTable;
}

void initDriveInfoTables() {
    if (fieldTableFilled) return;
    for (std::size_t index = 0; index < driveInfoFieldCount; ++index) {
        fieldTable[driveInfoFieldKeys[index]] = static_cast<int>(index);
    }
    // Set only once every entry is in: a fill interrupted by an exception runs again next time.
    fieldTableFilled = true;
}

DriveInfoSlots makeDriveInfoSlots() {
    initDriveInfoTables();
    return DriveInfoSlots(driveInfoFieldCount);
}

void resetDriveInfoSlots(DriveInfoSlots& slots) {
    // Emptying the strings in place leaves the same fourteen empty slots as removing and
    // re-adding them, without destroying and constructing fourteen strings per drive type.
    slots.resize(driveInfoFieldCount);
    for (std::string& slot : slots) {
        if (!slot.empty()) slot.clear();
    }
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
            result += *key;
            result += '=';
            result += slots[index];
            result += ';';
        }
        if (!result.empty()) result.pop_back();
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
