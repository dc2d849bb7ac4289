#pragma once
// The day's record of finished burn jobs: one line per device with its
// verdict, port, MAC and serial number.
#include <string>

#include "platform/local_time.h"

namespace station {

struct ChannelState;

// "<root>/record/FactoryInfo(%04d_%02d_%02d).csv" of the day.
std::string FactoryInfoPath(const std::string& root, const platform::LocalTime& day);

// Appends the line of a channel whose burn job has just ended PASS or FAIL.
// A job that ended OVER (stopped while waiting for a device) never reached a
// device, so it gets no line: the MAC and SN texts would still name the
// previous device's numbers. Empty when the line is on record (or none was
// due); otherwise why the file could not take it.
std::string AppendFactoryInfo(const std::string& root, int channel, const ChannelState& row, const platform::LocalTime& now);

}  // namespace station
