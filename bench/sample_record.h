#pragma once

#include <cstdint>
#include <string>

namespace bench {

// The record every emitting benchmark writes: "Drive HX-140 answered parameter 1234 in 12 ms",
// a text and two numbers, the shape of a typical statement. Ours composes it with stream
// insertions, the peer with its format string, and the floor writes a ready line of the same
// length, so that all three put the same number of bytes into their files.
inline constexpr const char* sampleDrive = "HX-140";
inline constexpr int sampleElapsedMs = 12;

// The parameter number changes with every record but always has four digits, so that every
// line has the same length.
inline int sampleParameter(std::int64_t sequence) {
    return 1000 + static_cast<int>(sequence % 9000);
}

// The message as the statement formats it.
std::string sampleMessage(int parameter);

// A whole line as our sink receives it from the calling thread, with a fixed time of day.
std::string sampleLine(int parameter);

// The add-on's own record: one text and nothing to format, the line its drive catalogue writes
// when a drive-info string fails.
inline constexpr const char* catalogueFailureMessage =
    "Unknown exception while the drive catalogue was expanded";

// That record's whole line as our sink receives it, with a fixed time of day.
std::string catalogueFailureLine();

// The peer's line pattern: the same fields as ours (time with milliseconds, three-letter level,
// thread id, message); "%L" is the level's first letter, so info becomes "INF".
inline constexpr const char* peerPattern = "%H:%M:%S.%e %LNF %t %v";

// log4cplus's: the same fields; "%q" is the milliseconds, "%T" the thread id.
inline constexpr const char* log4cplusPattern = "%D{%H:%M:%S.%q} INF %T %m%n";

}  // namespace bench
