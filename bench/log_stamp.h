#pragma once
// Times taken from a tool's log: every line starts "hh:mm:ss:mmm    ".
#include <cstdio>
#include <string>

namespace bench_support {

// Milliseconds of the day of a log line's stamp, or -1.
inline long StampMs(const std::string& line) {
    int h, m, s, ms;
    if (std::sscanf(line.c_str(), "%d:%d:%d:%d", &h, &m, &s, &ms) != 4) return -1;
    return ((h * 60L + m) * 60L + s) * 1000L + ms;
}

// The stamp of the first line holding `text`, or -1.
inline long StampOf(const std::string& log, const std::string& text) {
    size_t at = log.find(text);
    if (at == std::string::npos) return -1;
    size_t start = log.rfind('\n', at);
    return StampMs(log.substr(start == std::string::npos ? 0 : start + 1));
}

}  // namespace bench_support
