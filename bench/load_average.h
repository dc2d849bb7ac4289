#pragma once
// The machine's load average, printed by each benchmark that compares wall
// times when it starts and when it ends, so that a target missed on a busy
// machine shows as such.
#include <cstdio>
#include <fstream>
#include <string>

namespace bench_support {

// The 1, 5 and 15 minute load averages ("0.52 0.58 0.59"), or "unknown".
inline std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    if (!(in >> one >> five >> fifteen)) return "unknown";
    return one + " " + five + " " + fifteen;
}

// Prints "load average at start: ..." when made and "load average at end:
// ..." when it goes; made first in main, it brackets the whole run.
class LoadAverageReport {
public:
    LoadAverageReport() { Print("start"); }
    ~LoadAverageReport() { Print("end"); }
    LoadAverageReport(const LoadAverageReport&) = delete;
    LoadAverageReport& operator=(const LoadAverageReport&) = delete;

private:
    static void Print(const char* when) {
        std::printf("load average at %s: %s\n", when, LoadAverage().c_str());
        std::fflush(stdout);
    }
};

}  // namespace bench_support
