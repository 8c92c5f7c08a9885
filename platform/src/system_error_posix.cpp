#include <cerrno>

#include "addon001/platform/system_error.h"

namespace platform {

// errno values are what the standard library's system category holds: its messages are
// strerror's, and it maps them onto std::errc itself.
const std::error_category& systemCategory() {
    return std::system_category();
}

std::error_code lastSystemError() {
    return systemError(errno);
}

std::error_code systemError(int code) {
    return {code, systemCategory()};
}

std::string systemMessage(int code) {
    return systemCategory().message(code);
}

}  // namespace platform
