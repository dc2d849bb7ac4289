#include "station/engine/log/main_log.h"

#include <time.h>

#include <cstdio>
#include <mutex>

#include "platform/durable_file.h"
#include "platform/paths.h"
#include "station/engine/log/log_paths.h"

namespace station {
namespace {

// The one lock of the main log: taken for the time stamp, the open, the write
// and the close of every line.
std::mutex& LogMutex() {
    static std::mutex mutex;
    return mutex;
}

std::mutex& InstalledMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const MainLog>& Installed() {
    static std::shared_ptr<const MainLog> log;
    return log;
}

thread_local LastLogLine* lastLogLine = nullptr;

}  // namespace

LastLogLine::LastLogLine() : outer_(lastLogLine) { lastLogLine = this; }
LastLogLine::~LastLogLine() { lastLogLine = outer_; }

LocalTimeSource LocalTimeOnClock(platform::Clock& clock, const platform::LocalTime& start) {
    tm parts{};
    parts.tm_year = start.year - 1900;
    parts.tm_mon = start.month - 1;
    parts.tm_mday = start.day;
    parts.tm_hour = start.hour;
    parts.tm_min = start.minute;
    parts.tm_sec = start.second;
    // Calendar arithmetic in UTC: no daylight-saving jumps on virtual time.
    const int64_t startMs = int64_t(timegm(&parts)) * 1000 + start.millisecond;
    const uint64_t originUs = clock.NowUs();
    return [&clock, startMs, originUs] {
        const int64_t nowMs = startMs + int64_t((clock.NowUs() - originUs) / 1000);
        const time_t seconds = time_t(nowMs / 1000);
        tm now{};
        gmtime_r(&seconds, &now);
        platform::LocalTime t;
        t.year = now.tm_year + 1900;
        t.month = now.tm_mon + 1;
        t.day = now.tm_mday;
        t.hour = now.tm_hour;
        t.minute = now.tm_min;
        t.second = now.tm_sec;
        t.millisecond = int(nowMs % 1000);
        return t;
    };
}

MainLog::MainLog(std::string root, LocalTimeSource now) : root_(std::move(root)), now_(std::move(now)) {}

void MainLog::Write(int channel, std::string_view text) const {
    if (text.empty()) return;
    std::lock_guard<std::mutex> guard(LogMutex());
    const platform::LocalTime t = now_();
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d:%03d  [%d] ", t.hour, t.minute, t.second, t.millisecond,
                  channel);
    std::string line = stamp;
    line.append(text);
    platform::AppendToFile(MainLogPath(root_, t), line);
}

void InstallMainLog(std::shared_ptr<const MainLog> log) {
    std::lock_guard<std::mutex> guard(InstalledMutex());
    Installed() = std::move(log);
}

std::shared_ptr<const MainLog> CurrentMainLog() {
    std::lock_guard<std::mutex> guard(InstalledMutex());
    if (!Installed()) Installed() = std::make_shared<MainLog>(platform::CurrentDirectory());
    return Installed();
}

std::string FormatText(const char* format, va_list args) {
    if (!format) return {};
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::string text(size_t(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(size_t(length));
    return text;
}

void LogV(int channel, const char* format, va_list args) {
    const std::string text = FormatText(format, args);
    if (text.empty()) return;
    CurrentMainLog()->Write(channel, text);
    if (lastLogLine) {
        size_t end = text.size();
        while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r' || text[end - 1] == ' ')) --end;
        lastLogLine->text_ = text.substr(0, end);
    }
}

void Log(int channel, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogV(channel, format, args);
    va_end(args);
}

}  // namespace station
