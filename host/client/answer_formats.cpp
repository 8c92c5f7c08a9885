#include "answer_formats.h"

#include "addon001/addon/drive_info_fields.h"
#include "text/quote.h"

namespace host {

namespace {
bool isDigit(char character) {
    return character >= '0' && character <= '9';
}
}  // namespace

std::vector<DriveInfoField> splitDriveInfo(const std::string& driveInfo) {
    std::vector<DriveInfoField> fields;
    if (driveInfo.empty()) return fields;
    std::string::size_type start = 0;
    while (true) {
        const std::string::size_type end = driveInfo.find(';', start);
        const std::string field = driveInfo.substr(start, end - start);
        const std::string::size_type equals = field.find('=');
        if (equals == std::string::npos) {
            fields.push_back({field, std::string(), false});
        } else {
            fields.push_back({field.substr(0, equals), field.substr(equals + 1), true});
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return fields;
}

std::vector<std::pair<std::string, std::string>> parseDriveInfo(const std::string& driveInfo) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (DriveInfoField& field : splitDriveInfo(driveInfo)) {
        pairs.emplace_back(std::move(field.key), std::move(field.value));
    }
    return pairs;
}

std::string driveTypeOf(const std::string& driveInfo) {
    for (const DriveInfoField& field : splitDriveInfo(driveInfo)) {
        if (field.key == "D") return field.value;
    }
    return std::string();
}

int driveInfoFieldIndex(const std::string& key) {
    for (std::size_t index = 0; index < addon::driveInfoFieldKeys.size(); ++index) {
        if (key == addon::driveInfoFieldKeys[index]) return static_cast<int>(index);
    }
    return -1;
}

std::optional<std::string> driveInfoProblem(const std::string& driveInfo) {
    if (driveInfo.empty()) return std::string("an empty string");
    if (driveInfo.back() == ';') return quote(driveInfo) + " ends with \";\"";

    int previousIndex = -1;
    std::string previousKey;
    bool hasDriveType = false;
    for (const DriveInfoField& field : splitDriveInfo(driveInfo)) {
        const std::string& key = field.key;
        if (!field.hasEquals) {
            return quote(driveInfo) + ": field " + quote(key) + " is not KEY=value";
        }
        const int index = driveInfoFieldIndex(key);
        if (index < 0) return quote(driveInfo) + ": unknown key " + quote(key);
        if (field.value.empty()) {
            return quote(driveInfo) + ": key " + quote(key) + " has an empty value";
        }
        if (index == previousIndex) return quote(driveInfo) + ": key " + quote(key) + " twice";
        if (index < previousIndex) {
            return quote(driveInfo) + ": key " + quote(key) + " (field " + std::to_string(index) +
                   ") after " + quote(previousKey) + " (field " + std::to_string(previousIndex) +
                   ")";
        }
        previousIndex = index;
        previousKey = key;
        hasDriveType = hasDriveType || index == 0;
    }
    if (!hasDriveType) return quote(driveInfo) + ": no field \"D\" (the drive type code)";
    return std::nullopt;
}

bool isVersionText(const std::string& text) {
    return text.size() == 5 && isDigit(text[0]) && isDigit(text[1]) && text[2] == '.' &&
           isDigit(text[3]) && isDigit(text[4]);
}

}  // namespace host
