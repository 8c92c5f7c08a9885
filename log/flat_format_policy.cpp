#include "flat_format_policy.h"

#include "level.h"
#include "thread_id.h"

namespace Log {

namespace {
void writeTwoDigits(std::ostream& out, int value) {
    if (value <= 9) out << '0';
    out << value;
}
}  // namespace

void writeTimeOfDay(std::ostream& out, const platform::LocalTime& time) {
    writeTwoDigits(out, time.hour);
    out << ':';
    writeTwoDigits(out, time.minute);
    out << ':';
    writeTwoDigits(out, time.second);
    out << '.';
    if (time.millisecond <= 99) out << '0';
    if (time.millisecond <= 9) out << '0';
    out << time.millisecond;
}

std::ostream& timeOfDay(std::ostream& out) {
    writeTimeOfDay(out, platform::localTimeNow());
    return out;
}

void writeHeader(std::ostream& out, int level, const platform::LocalTime& time,
                 std::uint32_t threadId) {
    writeTimeOfDay(out, time);
    out << ' ' << levelName(level) << ' ' << threadId << ' ';
}

void FlatFormatPolicy::writeHeader(std::ostream& out, int level) {
    out << timeOfDay << ' ' << levelName(level) << ' ' << platform::currentThreadId() << ' ';
}

}  // namespace Log
