#include "station/ui/panel_cells.h"

#include "station/engine/state/channel_state.h"

namespace station::ui {

namespace {

constexpr int32_t kToolNeverTested = -1;

CellView Outcome(const char* prefix, int32_t result) {
    const char* value = result == kResultPass ? "PASS" : result == kResultFail ? "FAIL" : "-";
    return {std::string(prefix) + value, result};
}

std::string OrNull(const std::string& text) { return text.empty() ? kNoPort : text; }

// Running: the phase. Ended: the verdict; a job that ended idle was stopped
// while monitoring (OVER), which the end of every job marks with a time of
// at least one second.
CellView Verdict(const ChannelState& row) {
    switch (row.status.load()) {
        case kStatusRunning:
        case kStatusMonitoring: return {OrNull(row.statusText.Get()), 0};
        case kStatusPass: return {"PASS", kResultPass};
        case kStatusFail: return {"FAIL", kResultFail, row.failCause.Get()};
        default:
            if (row.elapsedSeconds.load() > 0) return {"OVER", 0, row.failCause.Get()};
            return {kNoPort, 0};
    }
}

}  // namespace

CellView CellFor(const ResultColumn& column, const ChannelState& row, int testMask) {
    switch (column.kind) {
        case ResultKind::kVerdict: return Verdict(row);
        case ResultKind::kMac: return {OrNull(row.macText.Get()), 0};
        case ResultKind::kSn: return {OrNull(row.snText.Get()), 0};
        case ResultKind::kBurn: return Outcome(column.prefix, row.burnResult.load());
        case ResultKind::kCrystal: return Outcome(column.prefix, row.crystalResult.load());
        case ResultKind::kBattery: return Outcome(column.prefix, row.batteryResult.load());
        case ResultKind::kTestItem: {
            // The test tool's status is the mask of the items that failed; -1
            // says the tool never tested (not started, crashed, refused its
            // command line): no item has a verdict, the row's time shows the failure.
            const int32_t failedItems = row.testExitCode.load();
            if (!(testMask & column.testBit) || row.testResult.load() == kResultNotRun || failedItems == kToolNeverTested)
                return Outcome(column.prefix, 0);
            const bool failed = failedItems & column.testBit;
            return Outcome(column.prefix, failed ? kResultFail : kResultPass);
        }
    }
    return {};
}

CellView FreshCell(const ResultColumn& column) {
    switch (column.kind) {
        case ResultKind::kVerdict:
        case ResultKind::kMac:
        case ResultKind::kSn: return {kNoPort, 0};
        default: return Outcome(column.prefix, kResultNotRun);
    }
}

std::string ElapsedText(const ChannelState& row) { return std::to_string(row.elapsedSeconds.load()) + " 秒"; }

}  // namespace station::ui
