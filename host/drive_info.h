#pragma once

#include <string>
#include <utility>
#include <vector>

namespace host {

// The fields of a drive-info string ("D=HX-140;M=x"), in the order they stand.
std::vector<std::pair<std::string, std::string>> parseDriveInfo(const std::string& driveInfo);

// The drive type code, the value of field "D"; empty when the string has none.
std::string driveTypeOf(const std::string& driveInfo);

}  // namespace host
