#pragma once

#include <cstdint>
#include <string>

#include "addon001/log/export.h"

namespace Log {

// Appends to `out` (keeping what it holds) the dump text of `length` bytes at `data`: the label,
// ": [", each byte as two uppercase hexadecimal digits, the bytes separated by one space, "]".
// No bytes give the label followed by ": []". A null or empty label is written as "bytes".
// `data` is not read when `length` is 0. A null `data` with a nonzero `length` has no bytes to
// show and is dumped as no bytes (label followed by ": []") rather than read.
ADDONLOG_API void formatBytes(const wchar_t* label, const void* data, std::uint32_t length,
                              std::wstring& out);

// `value` in hexadecimal with a "0x" prefix and lowercase digits, zero-padded between prefix and
// digits to `width` digits; a value with more digits is written whole. The value 0 has no prefix
// and is written as width + 2 zeros.
ADDONLOG_API std::string toHexString(int width, std::uint64_t value);

}  // namespace Log
