#pragma once

#include <ostream>
#include <string>

#include "addon001/log/export.h"

namespace Log {

// Conversions between wide text and narrow text in the system's ANSI code page (Windows-1252 on
// Linux). The result always has the source's length, one target character per source character:
// characters the code page lacks become the system's default character ("?"), and positions the
// conversion leaves unfilled stay zero characters. A source that already has the target's width
// is copied as it is. A null zero-terminated text converts like an empty one.
ADDONLOG_API std::string toNarrow(const std::wstring& text);
ADDONLOG_API std::string toNarrow(const wchar_t* text);
ADDONLOG_API std::string toNarrow(const std::string& text);
ADDONLOG_API std::string toNarrow(const char* text);

ADDONLOG_API std::wstring toWide(const std::string& text);
ADDONLOG_API std::wstring toWide(const char* text);
ADDONLOG_API std::wstring toWide(const std::wstring& text);
ADDONLOG_API std::wstring toWide(const wchar_t* text);

// Writes the narrow form of `text` (toNarrow) into a narrow stream. Callers outside namespace Log
// bring it in with `using Log::operator<<;`.
ADDONLOG_API std::ostream& operator<<(std::ostream& stream, const std::wstring& text);

}  // namespace Log
