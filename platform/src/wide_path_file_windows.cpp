#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "addon001/platform/wide_path_file.h"

namespace platform {

std::wstring widenPath(const std::string& narrowPath) {
    if (narrowPath.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, narrowPath.data(),
                                           static_cast<int>(narrowPath.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, narrowPath.data(), static_cast<int>(narrowPath.size()),
                        wide.data(), length);
    return wide;
}

}  // namespace platform
