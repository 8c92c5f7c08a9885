#pragma once

#include <boost/nowide/convert.hpp>
#include <string>

namespace platform::detail {

// Linux file names are bytes; wide paths are taken as Unicode and stored as UTF-8.
inline std::string narrowPath(const std::wstring& path) {
    return boost::nowide::narrow(path);
}

}  // namespace platform::detail
