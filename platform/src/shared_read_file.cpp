#include <utility>

#include "addon001/platform/shared_read_file.h"

namespace platform {

SharedReadFile::~SharedReadFile() {
    close();
}

SharedReadFile::SharedReadFile(SharedReadFile&& other) noexcept
    : handle_(std::exchange(other.handle_, invalidHandle)),
      position_(other.position_),
      identity_(other.identity_) {}

SharedReadFile& SharedReadFile::operator=(SharedReadFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, invalidHandle);
        position_ = other.position_;
        identity_ = other.identity_;
    }
    return *this;
}

}  // namespace platform
