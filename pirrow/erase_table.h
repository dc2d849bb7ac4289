#pragma once
#include <string>
#include <vector>

namespace pirrow {

// One region of a whole-flash erase: the loader command, the log line that
// precedes it, and its wait (time limit, progress from -> to).
struct EraseStep {
    std::string command;
    std::string logLine;
    int timeoutMs;
    int from;
    int to;
};

enum class EraseAllKind {
    Everything,     // EraseAllUart
    KeepFactoryArea // EraseExcludeAddrUart: a QM2A NAND part keeps its factory area
};

// The regions erased for a device type, in order; empty for a type that has
// no whole-flash erase.
std::vector<EraseStep> EraseAllSteps(const std::string& deviceType, EraseAllKind kind);

}  // namespace pirrow
