#include "drive_info.h"

namespace host {

std::vector<std::pair<std::string, std::string>> parseDriveInfo(const std::string& driveInfo) {
    std::vector<std::pair<std::string, std::string>> fields;
    if (driveInfo.empty()) return fields;
    std::string::size_type start = 0;
    while (true) {
        const std::string::size_type end = driveInfo.find(';', start);
        const std::string field = driveInfo.substr(start, end - start);
        const std::string::size_type equals = field.find('=');
        if (equals == std::string::npos) {
            fields.emplace_back(field, std::string());
        } else {
            fields.emplace_back(field.substr(0, equals), field.substr(equals + 1));
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return fields;
}

std::string driveTypeOf(const std::string& driveInfo) {
    for (const auto& field : parseDriveInfo(driveInfo)) {
        if (field.first == "D") return field.second;
    }
    return std::string();
}

}  // namespace host
