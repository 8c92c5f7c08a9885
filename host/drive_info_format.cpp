#include "drive_info_format.h"

#include <array>

namespace host {

namespace {
// The field keys by field index.
constexpr std::array<const char*, 14> fieldKeys = {"D", "R",  "W",  "V",  "P",  "F",  "B",
                                                   "L", "O1", "O2", "O3", "O4", "DV", "M"};

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

bool isDigit(char character) {
    return character >= '0' && character <= '9';
}
}  // namespace

int driveInfoFieldIndex(const std::string& key) {
    for (std::size_t index = 0; index < fieldKeys.size(); ++index) {
        if (key == fieldKeys[index]) return static_cast<int>(index);
    }
    return -1;
}

std::optional<std::string> driveInfoProblem(const std::string& driveInfo) {
    if (driveInfo.empty()) return std::string("an empty string");
    if (driveInfo.back() == ';') return quoted(driveInfo) + " ends with \";\"";

    int previousIndex = -1;
    std::string previousKey;
    bool hasDriveType = false;
    std::string::size_type start = 0;
    while (start != std::string::npos) {
        const std::string::size_type end = driveInfo.find(';', start);
        const std::string field = driveInfo.substr(start, end - start);
        start = end == std::string::npos ? end : end + 1;

        const std::string::size_type equals = field.find('=');
        if (equals == std::string::npos) {
            return quoted(driveInfo) + ": field " + quoted(field) + " is not KEY=value";
        }
        const std::string key = field.substr(0, equals);
        const int index = driveInfoFieldIndex(key);
        if (index < 0) return quoted(driveInfo) + ": unknown key " + quoted(key);
        if (equals + 1 == field.size()) {
            return quoted(driveInfo) + ": key " + quoted(key) + " has an empty value";
        }
        if (index == previousIndex) return quoted(driveInfo) + ": key " + quoted(key) + " twice";
        if (index < previousIndex) {
            return quoted(driveInfo) + ": key " + quoted(key) + " (field " + std::to_string(index) +
                   ") after " + quoted(previousKey) + " (field " + std::to_string(previousIndex) +
                   ")";
        }
        previousIndex = index;
        previousKey = key;
        hasDriveType = hasDriveType || index == 0;
    }
    if (!hasDriveType) return quoted(driveInfo) + ": no field \"D\" (the drive type code)";
    return std::nullopt;
}

bool isVersionText(const std::string& text) {
    return text.size() == 5 && isDigit(text[0]) && isDigit(text[1]) && text[2] == '.' &&
           isDigit(text[3]) && isDigit(text[4]);
}

}  // namespace host
