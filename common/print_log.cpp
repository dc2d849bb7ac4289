#include "common/print_log.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace common {
namespace {

std::string& LogPath() {
    static std::string path;
    return path;
}

std::string FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::vector<char> buf(size_t(n) + 100);
    std::vsnprintf(buf.data(), buf.size(), format, args);
    return std::string(buf.data(), size_t(n));
}

}  // namespace

void SetLogFile(const std::string& path) { LogPath() = path; }
const std::string& LogFile() { return LogPath(); }

std::string LogStamp(const platform::LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d:%03d    ", t.hour, t.minute, t.second, t.millisecond);
    return buf;
}

void PrintLog(bool toConsole, const char* format, ...) {
    if (format == nullptr || (LogPath().empty() && !toConsole)) return;
    va_list args;
    va_start(args, format);
    std::string message = FormatV(format, args);
    va_end(args);
    if (message.empty()) return;
    if (!LogPath().empty()) {
        if (FILE* f = std::fopen(LogPath().c_str(), "a+")) {
            std::string line = LogStamp(platform::LocalTimeNow()) + message;
            std::fwrite(line.data(), 1, line.size(), f);
            std::fclose(f);
        }
    }
    if (toConsole) {
        std::fwrite(message.data(), 1, message.size(), stdout);
        std::fflush(stdout);
    }
}

void PrintConsole(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string message = FormatV(format, args);
    va_end(args);
    std::fwrite(message.data(), 1, message.size(), stdout);
    std::fflush(stdout);
}

}  // namespace common
