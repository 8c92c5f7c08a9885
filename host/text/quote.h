#pragma once

#include <iomanip>
#include <sstream>
#include <string>

namespace host {

// A text in double quotes, so that blanks at its ends and an empty text show in a line of
// output; a quote or backslash inside it is escaped with a backslash (std::quoted).
inline std::string quote(const std::string& text) {
    std::ostringstream out;
    out << std::quoted(text);
    return out.str();
}

}  // namespace host
