// Breaks the contract (POSIX): its start-up leaves a daemon behind, a process in a session of
// its own that an intermediate process started and left, and that keeps every descriptor it
// was given open. With ADDON_TEST_DAEMON_FOLDER set, each daemon writes its process id into a
// file there, so that a test can look for it.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sample_addon.h"

namespace {
struct Daemon {
    Daemon() {
        // The start-up goes on once the daemon has written its file.
        int started[2];
        if (pipe(started) != 0) return;
        if (fork() != 0) {
            close(started[1]);
            char byte = 0;
            while (read(started[0], &byte, 1) < 0) {
            }
            close(started[0]);
            return;
        }
        // The intermediate process: leaves the check process's session, starts the daemon and
        // goes, so that the daemon is nobody's child.
        setsid();
        if (fork() != 0) _exit(0);
        if (const char* folder = std::getenv("ADDON_TEST_DAEMON_FOLDER")) {
            const std::string file = std::string(folder) + "/" + std::to_string(getpid());
            const int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0) close(out);
        }
        if (write(started[1], "", 1) < 0) _exit(1);
        for (;;) pause();
    }
} daemon;
}  // namespace

SAMPLE_EXPORT_EVERY_FUNCTION
