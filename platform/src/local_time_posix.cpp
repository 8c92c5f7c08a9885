#include "addon001/platform/local_time.h"

#include <time.h>

namespace platform {
namespace {
// The calling thread's last converted second: the conversion to local time costs several
// times the rest of a log line's header, and every line within the same second shares its
// hour, minute and second. (The C library reads the time zone once anyway; a program that
// changes it with tzset() sees the change from the next second on.)
struct ConvertedSecond {
    time_t second = -1;
    int hour = 0;
    int minute = 0;
    int secondOfMinute = 0;
};
thread_local ConvertedSecond lastSecond;
}  // namespace

LocalTime localTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec != lastSecond.second) {
        tm fields{};
        localtime_r(&now.tv_sec, &fields);
        lastSecond = ConvertedSecond{now.tv_sec, fields.tm_hour, fields.tm_min, fields.tm_sec};
    }
    return LocalTime{lastSecond.hour, lastSecond.minute, lastSecond.secondOfMinute,
                     static_cast<int>(now.tv_nsec / 1000000)};
}

}  // namespace platform
