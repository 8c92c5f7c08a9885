#include "addon001/platform/code_page.h"

#include <algorithm>

#include <windows.h>

#include <climits>

namespace platform {

namespace {
// The conversion calls count in int; a text longer than that is converted up to that length
// (its remaining target positions are left as they were).
int clampToInt(std::size_t count) {
    return static_cast<int>(std::min<std::size_t>(count, INT_MAX));
}
}  // namespace

std::size_t ansiFromWide(const wchar_t* source, std::size_t count, char* target, std::size_t room) {
    if (count == 0 || room == 0) return 0;
    const int written = WideCharToMultiByte(CP_ACP, 0, source, clampToInt(count), target,
                                            clampToInt(room), nullptr, nullptr);
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

std::size_t wideFromAnsi(const char* source, std::size_t count, wchar_t* target, std::size_t room) {
    if (count == 0 || room == 0) return 0;
    const int written =
        MultiByteToWideChar(CP_ACP, 0, source, clampToInt(count), target, clampToInt(room));
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

}  // namespace platform
