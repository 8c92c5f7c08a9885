#pragma once

// Narrow texts (a module's answers, a --drive code) for documents that must be UTF-8: JSON
// and XML reports.
#include <string>

namespace host {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing beyond
// U+10FFFF).
bool isUtf8(const std::string& text);

// A narrow text of the module interface as UTF-8: well-formed UTF-8 stays as it is; any other
// text is read byte for byte as Windows-1252, the code page the interface's narrow texts are
// written in whatever the system (its five unassigned bytes become the control characters of
// the same number), so that no byte is lost and the reports are the same on every system.
// (Log files are read differently: logreading::logTextToUtf8 takes the system's ANSI code page,
// which the logging library writes wide text in.)
std::string interfaceTextToUtf8(const std::string& text);

}  // namespace host
