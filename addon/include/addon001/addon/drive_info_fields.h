#pragma once

// The fields of a drive-info string ("D=HX-140;M=x"): fourteen keys, each with its field index.
// A drive-info string writes its present fields as KEY=value in ascending index order, joined
// by ";". Field "D" (index 0) carries the drive type code.
#include <array>
#include <cstddef>

namespace addon {

inline constexpr std::size_t driveInfoFieldCount = 14;

// The keys by field index.
inline constexpr std::array<const char*, driveInfoFieldCount> driveInfoFieldKeys = {
    "D", "R", "W", "V", "P", "F", "B", "L", "O1", "O2", "O3", "O4", "DV", "M"};

}  // namespace addon
