#pragma once

namespace platform {

struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int utcOffsetMinutes = 0;  // local time minus UTC
};

LocalTime LocalTimeNow();

}  // namespace platform
