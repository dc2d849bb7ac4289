#include "platform/local_time.h"

#include <sys/time.h>
#include <time.h>

namespace platform {

LocalTime LocalTimeNow() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm parts{};
    time_t seconds = tv.tv_sec;
    localtime_r(&seconds, &parts);
    LocalTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    t.millisecond = int(tv.tv_usec / 1000);
    t.utcOffsetMinutes = int(parts.tm_gmtoff / 60);
    return t;
}

}  // namespace platform
