#pragma once
#include <functional>

namespace platform {

struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int utcOffsetMinutes = 0;  // local time minus UTC
};

LocalTime LocalTimeNow();

// Where a component reads the local date and time (tests put in their own).
using LocalTimeSource = std::function<LocalTime()>;

}  // namespace platform
