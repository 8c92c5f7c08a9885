#pragma once

// The texts in a module's answers: drive-info strings ("D=HX-140;M=x") and version texts
// ("03.10"), read and judged the way the host reads them.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace host {

// One field of a drive-info string as it stands: the text before the first "=" and after it.
struct DriveInfoField {
    std::string key;
    std::string value;
    bool hasEquals = false;  // false: the field has no "=", and all of it is the key
};

// The fields of a drive-info string in the order they stand, split at every ";" (an empty
// string has none).
std::vector<DriveInfoField> splitDriveInfo(const std::string& driveInfo);

// The same as key and value pairs (a field without "=" has an empty value).
std::vector<std::pair<std::string, std::string>> parseDriveInfo(const std::string& driveInfo);

// The drive type code, the value of field "D"; empty when the string has none.
std::string driveTypeOf(const std::string& driveInfo);

// The index of a drive-info field key ("D" 0, "R" 1, ... "M" 13), or -1 for any other text.
int driveInfoFieldIndex(const std::string& key);

// What is wrong with a drive-info string, or nothing when it is well formed: one or more
// fields KEY=value separated by ";", every key one of the fourteen field keys, the keys in
// ascending field index (so none twice), every value non-empty, field "D" present, no ";" at
// the end. Every ";" counts as a separator, as it does when the host reads the string.
std::optional<std::string> driveInfoProblem(const std::string& driveInfo);

// True for a version text: two decimal digits, a point, two decimal digits ("03.10").
bool isVersionText(const std::string& text);

}  // namespace host
