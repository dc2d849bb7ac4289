#pragma once
// What one run of the tool works with: its settings, the bound J-Link
// library, the progress model and the clock every pause goes through.
#include <string>

#include "platform/clock.h"
#include "quenlo/jlink_api.h"
#include "quenlo/job_settings.h"
#include "quenlo/progress.h"

namespace quenlo {

struct Tool {
    explicit Tool(platform::Clock& c) : clock(c) {}
    JobSettings cfg;
    JLinkApi jl;
    ProgressModel progress;
    platform::Clock& clock;
};

// "percent:%d \n" on the console.
void PrintPercent(int percent);

// OpenSession: selects the probe by serial number, opens it, connects the
// target over SWD. On failure the session is closed where the flow says so.
bool OpenSession(Tool& t);
void CloseSession(Tool& t);

// ApplyFlashSettings: the library's flash download settings and error handler.
void ApplyFlashSettings(Tool& t);

// The library's error texts go to the log, unless --errbox.
void InstallErrorHandler(Tool& t);

// Pre-action 2: halt the core unless it is halted.
void HaltIfRunning(Tool& t);

// The pre-action of a download: 1 runs the reset sequence, 2 halts.
void PreAction(Tool& t);

// The device's reset sequence; negative on failure.
int ResetTarget(Tool& t);

// Logs the reset sequence's outcome the way its callers do.
void LogResetResult(int result);

}  // namespace quenlo
