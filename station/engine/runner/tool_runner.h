#pragma once
// Runs one tool as a child process and follows it to its end: reads its
// console output as it comes, hands every recognised line on as an event,
// stops it when asked, and decodes its status.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "station/engine/runner/tool_command.h"
#include "station/engine/runner/tool_output.h"

namespace station {

// What the runner asks of the channel it works for.
class ToolRunObserver {
public:
    virtual ~ToolRunObserver() = default;
    // Polled at least every 100 ms while the tool runs.
    virtual bool StopRequested() = 0;
    virtual void OnEvent(const ToolEvent& event) = 0;
};

struct ToolRun {
    RunnerKind kind = RunnerKind::Plain;
    int channel = 0;
    ToolCommand command{"Pirrow"};
    std::string programPath;  // where the program is; empty: ToolPath(command.Program())
    std::vector<std::pair<std::string, std::string>> env;  // set in the tool's environment
};

struct ToolOutcome {
    bool pass = false;
    // The decoded 32-bit status: 0, the value of the tool's "exitcode:" line,
    // or -1 (also when the tool could not be started). For a stopped PCBA
    // test, 1023 (every item failed).
    int32_t status = -1;
    // On a failure, the runner's own main-log line that judged it (without
    // its line end): the "(%d vs %d)" line, or why the tool did not start.
    std::string failLine;
};

// After SIGTERM a tool gets this long to end cleanly before SIGKILL.
constexpr int kStopGraceMs = 3000;
// Pause after starting a GNSS load, taken under the list/process lock, so
// that GNSS tools of several channels never start at the same instant.
constexpr int kGpsStartSpacingMs = 300;

// Main-log lines of the run go to the run's channel, with the runner's prefix
// ("PipRuncmd", "PipRuncmdPCBA", "PipRuncmdGps").
ToolOutcome RunTool(const ToolRun& run, ToolRunObserver& observer);

const char* RunnerLogPrefix(RunnerKind kind);

}  // namespace station
