#include "addon001/log/flat_format_policy.h"

#include <charconv>
#include <cstring>

#include "addon001/log/level.h"
#include "addon001/platform/thread_id.h"
#include "line_header.h"

namespace Log {

namespace {
// The header is composed in a character buffer and handed to the stream in one unformatted
// write: a stream insertion per field costs more than the rest of the record. The text is the
// same as decimal insertions would give, for any value of the fields.

// Room for the longest header: four time fields of any int value with their zeros and
// separators, the level text and a 32-bit thread id with their spaces.
constexpr std::size_t headerCapacity = 96;

char* putNumber(char* at, long long value) {
    return std::to_chars(at, at + 20, value).ptr;
}

char* putTwoDigits(char* at, int value) {
    if (value <= 9) *at++ = '0';
    return putNumber(at, value);
}

char* putTimeOfDay(char* at, const platform::LocalTime& time) {
    at = putTwoDigits(at, time.hour);
    *at++ = ':';
    at = putTwoDigits(at, time.minute);
    *at++ = ':';
    at = putTwoDigits(at, time.second);
    *at++ = '.';
    if (time.millisecond <= 99) *at++ = '0';
    if (time.millisecond <= 9) *at++ = '0';
    return putNumber(at, time.millisecond);
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

void writeHeader(std::ostream& out, int level, const platform::LocalTime& time,
                 std::uint32_t threadId) {
    char header[headerCapacity];
    char* at = putTimeOfDay(header, time);
    *at++ = ' ';
    at = putText(at, levelName(level));
    *at++ = ' ';
    at = putNumber(at, threadId);
    *at++ = ' ';
    out.write(header, at - header);
}

void FlatFormatPolicy::writeHeader(std::ostream& out, int level) {
    Log::writeHeader(out, level, platform::localTimeNow(), platform::currentThreadId());
}

}  // namespace Log
