#pragma once
#include <string>

#include "platform/local_time.h"

namespace common {

// The tool's log file (empty: no log file). Every line is appended with a
// time stamp; the file is opened and closed per line so that a crash never
// loses what was written before it.
void SetLogFile(const std::string& path);
const std::string& LogFile();

// "%02d:%02d:%02d:%03d    " of the given local time.
std::string LogStamp(const platform::LocalTime& t);

// Writes the formatted message to the log file (time-stamped) and, when
// toConsole is set, to standard output (unstamped, flushed at once).
void PrintLog(bool toConsole, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Standard output only, flushed at once (progress and data lines).
void PrintConsole(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace common
