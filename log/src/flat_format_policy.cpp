#include "addon001/log/flat_format_policy.h"

#include <charconv>
#include <cstring>

#include "addon001/log/format.h"
#include "addon001/log/level.h"
#include "addon001/platform/thread_id.h"
#include "line_header.h"

namespace Log {

namespace {
// The header is composed in a character buffer and handed to the stream in one unformatted
// write: a stream insertion per field costs more than the rest of the record. The text is the
// same as decimal insertions would give, for any value of the fields.
using format::headerCapacity;

char* putClock(char* at, const platform::LocalTime& time) {
    return format::putClock(at, time.hour, time.minute, time.second);
}

char* putTimeOfDay(char* at, const platform::LocalTime& time) {
    return format::putMilliseconds(putClock(at, time), time.millisecond);
}

char* putText(char* at, const char* text) {
    const std::size_t length = std::strlen(text);
    std::memcpy(at, text, length);
    return at + length;
}
}  // namespace

void writeTimeOfDay(std::ostream& out, const platform::LocalTime& time) {
    char text[headerCapacity];
    out.write(text, putTimeOfDay(text, time) - text);
}

std::ostream& timeOfDay(std::ostream& out) {
    writeTimeOfDay(out, platform::localTimeNow());
    return out;
}

namespace {
// The calling thread's id in decimal, made again only when the id changes (a child made by
// fork() runs with a new one).
struct ThreadIdDigits {
    std::uint32_t id = 0;
    std::size_t length = 0;
    char digits[10] = {};
};
thread_local ThreadIdDigits threadIdDigits;

char* putThreadId(char* at, std::uint32_t threadId) {
    ThreadIdDigits& cached = threadIdDigits;
    if (cached.length == 0 || cached.id != threadId) {
        cached.id = threadId;
        cached.length = static_cast<std::size_t>(
            std::to_chars(cached.digits, cached.digits + 10, threadId).ptr - cached.digits);
    }
    std::memcpy(at, cached.digits, cached.length);
    return at + cached.length;
}

// The calling thread's last "hh:mm:ss." and the fields it was made from: every line within
// the same second shares it.
struct SecondDigits {
    int hour = -1;
    int minute = -1;
    int second = -1;
    std::size_t length = 0;
    char text[40] = {};
};
thread_local SecondDigits secondDigits;

char* putTimeOfDayCached(char* at, const platform::LocalTime& time) {
    SecondDigits& cached = secondDigits;
    if (cached.second != time.second || cached.minute != time.minute || cached.hour != time.hour) {
        cached.hour = time.hour;
        cached.minute = time.minute;
        cached.second = time.second;
        cached.length = static_cast<std::size_t>(putClock(cached.text, time) - cached.text);
    }
    std::memcpy(at, cached.text, cached.length);
    return format::putMilliseconds(at + cached.length, time.millisecond);
}

char* putHeader(char* at, int level, const platform::LocalTime& time, std::uint32_t threadId) {
    at = putTimeOfDayCached(at, time);
    *at++ = format::fieldEnd;
    at = putText(at, levelName(level));
    *at++ = format::fieldEnd;
    at = putThreadId(at, threadId);
    *at++ = format::fieldEnd;
    return at;
}
}  // namespace

void writeHeader(std::ostream& out, int level, const platform::LocalTime& time,
                 std::uint32_t threadId) {
    char header[headerCapacity];
    out.write(header, putHeader(header, level, time, threadId) - header);
}

void FlatFormatPolicy::writeHeader(std::ostream& out, int level) {
    Log::writeHeader(out, level, platform::localTimeNow(), platform::currentThreadId());
}

void FlatFormatPolicy::writeHeader(LineStream& out, int level) {
    // Straight into the line's own buffer, where a new line always has the room.
    if (char* at = out.room(headerCapacity)) {
        out.commit(putHeader(at, level, platform::localTimeNow(), platform::currentThreadId()));
        return;
    }
    writeHeader(static_cast<std::ostream&>(out), level);
}

}  // namespace Log
