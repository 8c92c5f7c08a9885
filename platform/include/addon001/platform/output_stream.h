#pragma once

#include <chrono>
#include <cstdio>

namespace platform {

// Whether `stream` writes to a terminal (a console on Windows).
bool isTerminal(std::FILE* stream);

// Waits up to `time` for the reader of `stream` to go away (the read end of a pipe closed, a
// terminal hung up), as `tail -f` watches its output; returns true as soon as it has gone.
// Returns false after `time` for a stream that can lose no reader (a file).
bool waitForReaderGone(std::FILE* stream, std::chrono::milliseconds time);

}  // namespace platform
