#pragma once

// Narrow texts (a module's answers, a --drive code) for documents that must be UTF-8: JSON
// and XML reports.
#include <string>

namespace host {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing beyond
// U+10FFFF).
bool isUtf8(const std::string& text);

// The text as UTF-8: well-formed UTF-8 stays as it is; any other text is read byte for byte as
// Windows-1252, the ANSI code page the interface's narrow texts are written in (its five
// unassigned bytes become the control characters of the same number), so that no byte is
// lost and the result is the same on every system.
std::string toUtf8(const std::string& text);

}  // namespace host
