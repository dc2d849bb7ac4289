#include "station/engine/runner/step_runner.h"

#include "common/text_search.h"
#include "station/engine/log/main_log.h"
#include "station/engine/runner/failure_cause.h"
#include "station/engine/runner/step_values.h"
#include "station/engine/runner/tool_runner.h"
#include "station/engine/scan/jlink_library.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"

namespace station {
namespace {

class RowObserver : public ToolRunObserver {
public:
    RowObserver(ChannelState& row, int channel) : row_(row), channel_(channel) {}
    bool StopRequested() override { return row_.stopRequested.load() != 0; }
    void OnEvent(const ToolEvent& event) override { ApplyToolEvent(row_, channel_, event); }

private:
    ChannelState& row_;
    int channel_;
};

TextCell* SlotCell(ChannelState& row, ToolInfoSlot slot) {
    switch (slot) {
    case ToolInfoSlot::BtName: return &row.btName;
    case ToolInfoSlot::BtVersion: return &row.btVersion;
    case ToolInfoSlot::WifiVersion: return &row.wifiVersion;
    case ToolInfoSlot::SwName: return &row.swName;
    case ToolInfoSlot::SwVersion: return &row.swVersion;
    case ToolInfoSlot::GpsInfo: return &row.gpsInfo;
    }
    return nullptr;
}

// Which command form the step takes, and what it leaves in `loadRamNext`.
bool TakeLoadRam(ChannelState& row, StepKind step) {
    const bool set = row.loadRamNext.load() != 0;
    switch (step) {
    case StepKind::UartDownload:
    case StepKind::UartEraseAll:
    case StepKind::UartEraseFactory:
    case StepKind::UartEraseNonFactory:
    case StepKind::UartPcba:
        if (set) row.loadRamNext = 0;  // the loader is loaded now; later steps find it running
        return set;
    case StepKind::UartCrystalCali:
    case StepKind::UartBatteryCali:
    case StepKind::SwdCrystalCali:
    case StepKind::SwdBatteryCali:
    case StepKind::SwdPcba: return set;
    default: return false;  // one form only
    }
}

void SettleLoadRam(ChannelState& row, StepKind step, bool usedLoadRam, bool pass) {
    if (step == StepKind::SwdDownload) row.loadRamNext = 1;
    else if (step == StepKind::UartCrystalCali || step == StepKind::UartBatteryCali) row.loadRamNext = pass ? 0 : 1;
    else if (usedLoadRam && pass && (IsCaliStep(step) || step == StepKind::SwdPcba)) row.loadRamNext = 0;
}

}  // namespace

void ApplyToolEvent(ChannelState& row, int channel, const ToolEvent& event) {
    switch (event.kind) {
    case ToolEvent::Kind::Percent:
        if (row.progress.load() < event.value && event.value <= 100) row.progress = event.value;
        break;
    case ToolEvent::Kind::Info:
        if (TextCell* cell = SlotCell(row, event.slot)) cell->Set(event.text);
        break;
    case ToolEvent::Kind::WechatModelError: row.wechatModelError = 1; break;
    case ToolEvent::Kind::WechatOld: row.wechatOld = 1; break;
    case ToolEvent::Kind::ThirdFunc:
        row.thirdFuncResult = event.value;
        Log(channel, "%s  g_thirdTresult[%d]:%d\n", event.text.c_str(), channel, int(event.value));
        break;
    case ToolEvent::Kind::ExitCode: break;  // taken by the runner with the exit status
    }
}

StepOutcome RunStep(const StationSettings& settings, ChannelState& row, const StepRequest& request) {
    const StepKind step = request.step;
    const int ch = request.channel;
    StepOutcome outcome;
    const std::string device = settings.DeviceType();
    if (IsAreaErase(step) && !common::Contains(device, "QM2A_NAND")) {
        outcome.pass = true;  // only QM2A NAND parts have a production-data area
        outcome.status = 0;
        return outcome;
    }
    Log(ch, "%s task start\n", StepLogName(step));
    const bool loadRam = TakeLoadRam(row, step);
    const std::string port = request.port.empty() ? row.port.Get() : request.port;
    StepValues values = ReadStepValues(settings, step, ch, port, request.channelLog);
    ToolRun run;
    run.kind = RunnerOf(step);
    run.channel = ch;
    if (IsSwdStep(step)) {
        values.jlinkLibrary = StationJLink().Path();
        const std::string jlinkPath = settings.Read(COMMON_SET::JLINK_PATH);
        if (!jlinkPath.empty()) run.env.emplace_back("JLINK_PATH", jlinkPath);
    }
    run.command = BuildStepCommand(step, loadRam, values);
    // The step's own lines of the channel log begin where the file ends now.
    const bool channelLogOn = values.channelLogOn && !values.channelLog.empty();
    const uint64_t logStart = channelLogOn ? ChannelLogSize(values.channelLog) : 0;
    RowObserver observer(row, ch);
    const ToolOutcome tool = RunTool(run, observer);
    outcome.pass = tool.pass;
    outcome.status = tool.status;
    if (!outcome.pass) {
        if (channelLogOn) outcome.cause = CauseFromToolLog(ChannelLogFrom(values.channelLog, logStart));
        if (outcome.cause.empty()) outcome.cause = tool.failLine;
    }
    if (IsPcbaStep(step)) row.testExitCode = tool.status;
    SettleLoadRam(row, step, loadRam, outcome.pass);
    if (StepLogsEnd(step)) Log(ch, "%s task over %s\n", StepLogName(step), outcome.pass ? "PASS" : "FAIL");
    return outcome;
}

}  // namespace station
