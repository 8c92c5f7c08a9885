#include "local_time.h"

#if defined(_WIN32)

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

LocalTime localTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace platform

#else

#include <time.h>

namespace platform {

LocalTime localTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm fields{};
    localtime_r(&now.tv_sec, &fields);
    return LocalTime{fields.tm_hour, fields.tm_min, fields.tm_sec,
                     static_cast<int>(now.tv_nsec / 1000000)};
}

}  // namespace platform

#endif
