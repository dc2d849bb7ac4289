#pragma once
// The station's main log: one file per day, "<root>/log/log(YYYY-MM-DD).txt",
// written by every thread. Each line is "%02d:%02d:%02d:%03d  [%d] %s" (local
// time, channel or 0, the caller's text with its own "\n"). The file is
// opened, appended and closed for every line under one lock, so a line is in
// the file when the call returns and lines of different threads never mix.
#include <cstdarg>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/local_time.h"

namespace station {

using platform::LocalTimeSource;

// Local time that moves with `clock`: `start` plus the time the clock has
// advanced since this call. Lets tests cross midnight on virtual time.
LocalTimeSource LocalTimeOnClock(platform::Clock& clock, const platform::LocalTime& start);

class MainLog {
public:
    explicit MainLog(std::string root, LocalTimeSource now = platform::LocalTimeNow);

    const std::string& Root() const { return root_; }
    // Writes one line; an empty text writes nothing. A file that cannot be
    // written loses the line silently: the log never fails its caller.
    void Write(int channel, std::string_view text) const;

private:
    std::string root_;
    LocalTimeSource now_;
};

// The process-wide main log used by Log(). Until one is installed, the log of
// the current directory is used (the station root is the current directory at
// start).
void InstallMainLog(std::shared_ptr<const MainLog> log);
std::shared_ptr<const MainLog> CurrentMainLog();

// While it lives, keeps the last main-log line that its thread writes (the
// text without its line end), so that a caller can tell the operator why a
// part it called refused, in the words that part logged.
class LastLogLine {
public:
    LastLogLine();
    ~LastLogLine();
    LastLogLine(const LastLogLine&) = delete;
    LastLogLine& operator=(const LastLogLine&) = delete;
    const std::string& Text() const { return text_; }

private:
    friend void LogV(int channel, const char* format, va_list args);
    LastLogLine* outer_;
    std::string text_;
};

// printf-style text formatted in full (no length limit) into one line.
void Log(int channel, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogV(int channel, const char* format, va_list args);

// The text a printf-style format gives, of any length.
std::string FormatText(const char* format, va_list args);

}  // namespace station
