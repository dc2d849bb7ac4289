#pragma once
// One tool step of a channel's job: the step's main-log lines, the choice of
// command form by `loadRamNext`, the command line from the settings of the
// moment, the tool run with its output applied to the channel's row, and the
// verdict. The channel threads call this for every download, calibration,
// erase, PCBA test and GNSS load.
#include <cstdint>
#include <string>
#include <utility>

#include "station/engine/runner/step_command.h"

namespace station {

class StationSettings;
struct ChannelState;

struct StepRequest {
    StepRequest(int channel, StepKind step, std::string channelLog, std::string port = {})
        : channel(channel), step(step), channelLog(std::move(channelLog)), port(std::move(port)) {}

    int channel = 1;
    StepKind step = StepKind::UartDownload;
    std::string channelLog;  // the job's channel log path (passed with --log when channel logs are on)
    std::string port;        // the port the job read at its start; empty: the row's port field now
};

struct StepOutcome {
    bool pass = false;
    // The tool's decoded status: 0, -1, or the mask of failed PCBA items
    // (1023 for a stopped PCBA test). Also kept in `testExitCode` for PCBA steps.
    int32_t status = -1;
    // Why a failed step failed: from the lines the tool appended to the
    // channel log (its last "X " line, else its line before "FINAL_FAIL");
    // without a channel log, or when the tool wrote neither, the runner's
    // own line ("... process over (%d vs %d) FAIL").
    std::string cause;
};

StepOutcome RunStep(const StationSettings& settings, ChannelState& row, const StepRequest& request);

// What a tool line does to the channel's row: progress only moves forward
// within a step (and never past 100), texts and flags are stored.
void ApplyToolEvent(ChannelState& row, int channel, const ToolEvent& event);

}  // namespace station
