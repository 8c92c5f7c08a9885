#include "addon001/platform/local_time.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

LocalTime localTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace platform
