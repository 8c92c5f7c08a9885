#include <boost/nowide/convert.hpp>

#include "addon001/platform/wide_path_file.h"

namespace platform {

std::wstring widenPath(const std::string& narrowPath) {
    return boost::nowide::widen(narrowPath);
}

}  // namespace platform
