#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <thread>

#include "addon001/platform/output_stream.h"

namespace platform {
namespace {
HANDLE handleOf(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

// A pipe whose reader closed it: asking for its state fails with a broken pipe.
bool pipeReaderGone(HANDLE handle) {
    if (GetFileType(handle) != FILE_TYPE_PIPE) return false;
    DWORD available = 0;
    if (PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr)) return false;
    const DWORD error = GetLastError();
    return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA;
}
}  // namespace

bool isTerminal(std::FILE* stream) {
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode) != 0;
}

bool waitForReaderGone(std::FILE* stream, std::chrono::milliseconds time) {
    // Windows tells no one that waits: the pipe is looked at every few milliseconds.
    const HANDLE handle = handleOf(stream);
    const auto deadline = std::chrono::steady_clock::now() + time;
    for (;;) {
        if (pipeReaderGone(handle)) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(20), deadline - now));
    }
}

}  // namespace platform
