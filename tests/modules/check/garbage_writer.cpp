// Breaks the contract (POSIX): its start-up starts a thread that writes bytes to every
// descriptor of the process, again and again, as long as the process runs.
#include <time.h>
#include <unistd.h>

#include <thread>

#include "sample_addon.h"

namespace {
struct GarbageWriter {
    GarbageWriter() {
        std::thread([] {
            static const char garbage[] = "ACR1O\x10garbage from the module";
            for (;;) {
                for (int descriptor = 0; descriptor < 256; ++descriptor) {
                    if (write(descriptor, garbage, sizeof garbage - 1) < 0) continue;
                }
                const timespec pause{0, 100'000};
                nanosleep(&pause, nullptr);
            }
        }).detach();
    }
} writer;
}  // namespace

SAMPLE_EXPORT_EVERY_FUNCTION
