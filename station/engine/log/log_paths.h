#pragma once
// Names of the station's log files under "<root>/log".
#include <string>

#include "platform/local_time.h"

namespace station {

// "<root>/log/log(%04d-%02d-%02d).txt"
std::string MainLogPath(const std::string& root, const platform::LocalTime& day);
// "<root>/log/channel/%04d_%02d_%02d"
std::string ChannelLogDayDirectory(const std::string& root, const platform::LocalTime& day);
// "<root>/log/channel/%04d_%02d_%02d/Chan%d_0x%x(%04d_%02d_%02d_%02d_%02d_%02d).txt"
// of the job's start time.
std::string ChannelLogPath(const std::string& root, int channel, int funcType, const platform::LocalTime& start);
// "<root>/log/screenshot/%04d_%02d_%02d_%02d_%02d_%02d.bmp"
std::string ScreenshotPath(const std::string& root, const platform::LocalTime& when);

// The directories made at start-up: log, temp, record, log/channel and
// log/screenshot (errors are ignored; writers report their own).
void CreateStationDirectories(const std::string& root);
// Creates a directory with its parents; true when it exists afterwards.
bool CreateDirectories(const std::string& path);

}  // namespace station
