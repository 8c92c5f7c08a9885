#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "addon001/platform/output_stream.h"

namespace platform {

bool isTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) == 1;
}

bool waitForReaderGone(std::FILE* stream, std::chrono::milliseconds time) {
    // No events asked for: poll reports only POLLERR (a pipe's reader closed), POLLHUP (a
    // terminal hung up) and POLLNVAL; a regular file reports none and the wait takes its time.
    pollfd output{fileno(stream), 0, 0};
    const auto deadline = std::chrono::steady_clock::now() + time;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        const int ready = poll(&output, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            if ((output.revents & (POLLERR | POLLHUP)) != 0) return true;
            // POLLNVAL: no stream to watch; wait out the time without it.
            std::this_thread::sleep_for(left);
            return false;
        }
        if (ready == 0) return false;
        if (errno != EINTR) {
            std::this_thread::sleep_for(left);
            return false;
        }
    }
}

}  // namespace platform
