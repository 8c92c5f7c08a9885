#pragma once

#include <optional>
#include <string>

namespace host {

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
