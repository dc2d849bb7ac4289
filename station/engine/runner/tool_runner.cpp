#include "station/engine/runner/tool_runner.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

#include "common/exit_status.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "station/engine/log/main_log.h"
#include "station/engine/runner/list_lock.h"
#include "station/engine/runner/tool_location.h"

namespace station {
namespace {

constexpr int kPollMs = 100;
constexpr int kQuietPollsAfterEnd = 10;

// The runners' main-log lines; the GNSS runner's failure lines carry two blanks.
struct RunnerLines {
    const char* prefix;
    const char* failPrefix;
};

RunnerLines LinesOf(RunnerKind kind) {
    switch (kind) {
    case RunnerKind::Pcba: return {"PipRuncmdPCBA", "PipRuncmdPCBA"};
    case RunnerKind::Gps: return {"PipRuncmdGps", "PipRuncmdGps "};
    default: return {"PipRuncmd", "PipRuncmd"};
    }
}

bool Start(platform::ChildProcess& child, const ToolRun& run) {
    std::vector<std::string> argv = run.command.Argv();
    argv[0] = run.programPath.empty() ? ToolPath(run.command.Program()) : run.programPath;
    platform::ChildOptions options;
    options.env = run.env;
    if (run.kind != RunnerKind::Gps) return child.Start(argv, options);
    std::lock_guard<std::mutex> lock(ListProcessMutex());
    if (!child.Start(argv, options)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kGpsStartSpacingMs));
    return true;
}

// Reads the tool's output to its end, handing every line on; stops the tool
// when the channel asks (SIGTERM, then SIGKILL after the grace time).
// Returns the value of the last "exitcode:" line, if any.
std::optional<uint32_t> Follow(platform::ChildProcess& child, RunnerKind kind, ToolRunObserver& observer) {
    std::optional<uint32_t> exitCode;
    auto hand = [&](const std::vector<std::string>& lines) {
        for (const auto& line : lines)
            for (const ToolEvent& event : ParseToolLine(line, kind)) {
                if (event.kind == ToolEvent::Kind::ExitCode) exitCode = uint32_t(event.value);
                observer.OnEvent(event);
            }
    };
    platform::Clock& clock = platform::SystemClock();
    std::optional<uint64_t> terminatedAt;
    auto checkStop = [&] {
        if (!terminatedAt && observer.StopRequested()) {
            child.Terminate();
            terminatedAt = clock.NowMs();
        } else if (terminatedAt && clock.NowMs() - *terminatedAt >= uint64_t(kStopGraceMs)) {
            child.Kill();
        }
    };
    ToolOutputReader reader;
    char buf[ToolOutputReader::kBufferBytes];
    int quietPollsAfterEnd = 0;
    for (;;) {
        checkStop();
        const long n = child.ReadSome(buf, reader.Room(), kPollMs);
        if (n < 0) break;  // end of output: the tool has said all it will say
        if (n > 0) {
            hand(reader.Feed(std::string_view(buf, size_t(n))));
            continue;
        }
        // A program the tool left behind may hold its output open: once the
        // tool has ended, a second of silence ends the reading.
        if (!child.Running() && ++quietPollsAfterEnd >= kQuietPollsAfterEnd) break;
    }
    hand(reader.Finish());
    // A tool may close its output before it ends; stop keeps working meanwhile.
    while (child.Running()) {
        checkStop();
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs / 10));
    }
    return exitCode;
}

}  // namespace

const char* RunnerLogPrefix(RunnerKind kind) { return LinesOf(kind).prefix; }

ToolOutcome RunTool(const ToolRun& run, ToolRunObserver& observer) {
    const RunnerLines lines = LinesOf(run.kind);
    const int ch = run.channel;
    Log(ch, "%s process start\n", lines.prefix);
    Log(ch, "cmd: %s\n", run.command.Text().c_str());
    ToolOutcome outcome;
    auto fail = [&](std::string line) {
        Log(ch, "%s\n", line.c_str());
        outcome.failLine = std::move(line);
    };
    if (run.command.Length() > kMaxCommandChars) {
        fail(std::string(lines.prefix) + " cmd too long " + std::to_string(run.command.Length()));
        return outcome;
    }
    platform::ChildProcess child;
    if (!Start(child, run)) {
        Log(ch, "%s create process error\n", lines.prefix);
        fail(std::string(lines.prefix) + " start fail: " + child.StartError());
        return outcome;
    }
    const std::optional<uint32_t> exitCode = Follow(child, run.kind, observer);
    outcome.status = common::DecodeToolStatus(child.Wait(), exitCode);
    outcome.pass = outcome.status == 0;
    if (outcome.pass) Log(ch, "%s process over (%d vs %d) PASS\n", lines.prefix, int(outcome.status), 0);
    else fail(std::string(lines.failPrefix) + " process over (" + std::to_string(outcome.status) + " vs 0) FAIL");
    Log(ch, "%s process over %s\n", lines.prefix, outcome.pass ? "PASS" : "FAIL");
    if (run.kind == RunnerKind::Pcba && observer.StopRequested()) {
        outcome.status = 1023;  // a stopped test counts every item as failed
        outcome.pass = false;
    }
    return outcome;
}

}  // namespace station
