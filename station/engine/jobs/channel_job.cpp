#include "station/engine/jobs/channel_job.h"

#include <algorithm>
#include <exception>

#include "common/text_search.h"
#include "station/engine/jobs/channel_controls.h"
#include "station/engine/jobs/function_selection.h"
#include "station/engine/jobs/function_type.h"
#include "station/engine/log/log_paths.h"
#include "station/engine/log/main_log.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"

namespace station {

namespace {

constexpr uint32_t kRetryPauseMs = 2000;
constexpr uint32_t kDelaySliceMs = 1000;
// Waits poll the stop request this often, so that a stop is honoured at once.
constexpr uint32_t kStopPollMs = 100;
// The cause a stopped job shows: the start button's own words for a stop.
constexpr const char* kStoppedCause = "用户停止运行";
constexpr const char* kBuildFailed = "GenBleSnFile error";

int ResultOf(bool pass) { return pass ? 1 : -1; }

}  // namespace

ChannelJob::ChannelJob(const JobContext& context, int channel, ChannelState& row, ChannelControls& controls)
    : ctx_(context), channel_(channel), row_(row), controls_(controls) {}

bool ChannelJob::StopRequested() const { return row_.stopRequested.load() != 0; }

bool ChannelJob::SleepUnlessStopped(uint32_t ms) {
    while (ms > 0 && !StopRequested()) {
        const uint32_t slice = std::min(ms, kStopPollMs);
        ctx_.clock.SleepMs(slice);
        ms -= slice;
    }
    return !StopRequested();
}

bool ChannelJob::Run() {
    const StationSettings& settings = ctx_.settings;
    port_ = row_.port.Get();
    ok_ = true;
    row_.failCause.Set("");
    numbersBuilt_ = numbersFinished_ = false;
    retried_ = false;
    attempt_ = 1;
    attempts_.clear();
    start_ = ctx_.now();
    const platform::LocalTime& start = start_;
    row_.loadRamNext = 1;
    controls_.SetCaption(kStopCaption);

    func_ = ctx_.functions.Func();
    cali_ = ctx_.functions.Cali();
    test_ = ctx_.functions.Test();
    erase_ = ctx_.functions.Erase();
    uart_ = settings.IsUart();
    mode_ = settings.Read(COMMON_SET::MODE_TYPE);
    device_ = settings.DeviceType();
    retryWindow_ = settings.RetryWindowSeconds();

    Log(channel_, "任务线程启动 0x%x\n", func_);
    channelLog_ = ChannelLogPath(settings.Root(), channel_, func_, start);
    // The start command made the directory of its own day; a job of a loop
    // or a row that begins after midnight needs the new day's.
    CreateDirectories(ChannelLogDayDirectory(settings.Root(), start));

    // A step that threw never reached its verdict, so it did not pass.
    try {
        RunSteps();
    } catch (...) {
        Log(channel_, "任务线程异常\n");
        ok_ = false;
        NoteCause("任务线程异常");
        FinishNumbersAfterException();
    }

    stopped_ = StopRequested();
    const bool loopMonitoring = mode_ == 2 && uart_ && !stopped_;
    Finish();
    return loopMonitoring;
}

void ChannelJob::RunSteps() {
    if (!WaitForDevice()) return;
    row_.elapsedSeconds = 0;
    row_.status = kStatusRunning;
    row_.statusText.Set("");
    StartDelay();
    if ((func_ & kFuncBurn) && ok_) {
        numbersBuilt_ = true;
        // The allocation logs why it refuses; that line is the cause.
        LastLogLine refusal;
        if (!ctx_.numbers.Build(channel_)) {
            const std::string why = refusal.Text();
            Log(channel_, "%s\n", kBuildFailed);
            NoteCause(why.empty() ? kBuildFailed : why);
            ok_ = false;
        }
    }
    if (ok_) Dispatch();
}

bool ChannelJob::WaitForDevice() {
    if (mode_ == 0 || !uart_) return true;
    row_.status = kStatusMonitoring;
    row_.statusText.Set(kPhaseMonitor);
    ok_ = ctx_.boot.EnterBootMode(channel_, port_);
    return ok_;
}

void ChannelJob::StartDelay() {
    if (row_.singleStart.load() != 0 || func_ == kFuncErase || !ok_) return;
    const int seconds = ctx_.settings.DelaySeconds();
    for (int i = 0; i < seconds && !StopRequested(); ++i) SleepUnlessStopped(kDelaySliceMs);
    if (StopRequested()) ok_ = false;
}

StepResult ChannelJob::RunOnce(JobStep step, const char* phase) {
    row_.progress = 0;
    row_.statusText.Set(phase);
    StepResult result = ctx_.runner.RunStep(step, uart_, channel_, port_, channelLog_);
    // A step that a stop cut short failed because of the stop.
    if (!result.pass) NoteCause(StopRequested() ? kStoppedCause : result.cause.empty() ? phase : result.cause);
    attempts_.push_back({step, uart_, result});
    return result;
}

void ChannelJob::NoteCause(const std::string& cause) { row_.failCause.Set(cause); }

bool ChannelJob::RetryAllowed(bool firstStep) const {
    if (row_.singleStart.load() != 0) return false;
    if (uart_ && (common::Contains(device_, "QM2B") || common::Contains(device_, "QM2E"))) return false;
    return firstStep || !retried_;
}

bool ChannelJob::RetryWindowOpen() const {
    return row_.elapsedSeconds.load() < retryWindow_ && !StopRequested();
}

void ChannelJob::LogRetry() {
    Log(channel_, "任务异常,时间%d,重新执行一次%d\n", row_.elapsedSeconds.load(), attempt_);
    ++attempt_;
    retried_ = true;
}

bool ChannelJob::RunRetried(JobStep step, const char* phase, bool firstStep, bool onlyWhenEveryItemFailed) {
    StepResult outcome = RunOnce(step, phase);
    if (outcome.pass || !RetryAllowed(firstStep)) return outcome.pass;
    // The test of a test-only job is repeated only while every requested item
    // failed: a device that passes some items has a real fault.
    auto worthAnotherTry = [&] { return !onlyWhenEveryItemFailed || outcome.exitCode == test_; };
    while (!outcome.pass && RetryWindowOpen() && worthAnotherTry()) {
        if (!SleepUnlessStopped(kRetryPauseMs)) break;
        LogRetry();
        outcome = RunOnce(step, phase);
    }
    return outcome.pass;
}

void ChannelJob::Dispatch() {
    const bool testSelected = (test_ & kTestItemMask) != 0;
    auto crystal = [&](bool first) {
        if (!(cali_ & kCaliCrystal) || !ok_) return;
        ok_ = RunRetried(JobStep::CrystalCali, kPhaseCrystal, first);
        row_.crystalResult = ResultOf(ok_);
    };
    auto battery = [&] {
        if (!(cali_ & kCaliBattery) || !ok_) return;
        ok_ = RunRetried(JobStep::BatteryCali, kPhaseBattery, false);
        row_.batteryResult = ResultOf(ok_);
    };
    auto download = [&](bool first) {
        if (!ok_) return;
        ok_ = RunRetried(JobStep::Download, kPhaseBurn, first);
        row_.burnResult = ResultOf(ok_);
    };
    auto finishNumbers = [&] {
        numbersFinished_ = true;
        ctx_.numbers.Finish(channel_, ok_);
    };
    auto testOnce = [&] {
        if (!testSelected || !ok_) return;
        ok_ = RunOnce(JobStep::PcbaTest, kPhaseTest).pass;
        row_.testResult = ResultOf(ok_);
    };

    switch (func_) {
    case 1:
        download(true);
        finishNumbers();
        break;
    case 2:
        RunErase();
        break;
    case 4:
        crystal(true);
        battery();
        break;
    case 5:
        crystal(true);
        battery();
        download(false);
        finishNumbers();
        break;
    case 8:
        if (testSelected) {
            ok_ = RunRetried(JobStep::PcbaTest, kPhaseTest, true, true);
            row_.testResult = ResultOf(ok_);
        }
        break;
    case 9:
        download(true);
        finishNumbers();
        testOnce();
        break;
    case 12:
        crystal(true);
        battery();
        testOnce();
        break;
    case 13:
        crystal(true);
        battery();
        download(false);
        finishNumbers();
        testOnce();
        break;
    case 16:
        if (uart_) {
            ok_ = RunOnce(JobStep::GpsLoad, kPhaseGps).pass;
        } else {
            Log(channel_, "GPS下载目前只支持UART模式\n");
            NoteCause("GPS下载目前只支持UART模式");
            ok_ = false;
        }
        break;
    default:
        break;
    }
}

// Erase steps are never retried.
void ChannelJob::RunErase() {
    const bool nand = common::Contains(device_, "QM2A_NAND");
    if (erase_ & kEraseWholeFlash) {
        ok_ = RunOnce(JobStep::EraseAll, kPhaseErase).pass;
    } else if (erase_ & kEraseFactoryArea) {
        if (nand) ok_ = RunOnce(JobStep::EraseFactoryArea, kPhaseErase).pass;
    } else if (erase_ & kEraseNonFactoryArea) {
        ok_ = RunOnce(nand ? JobStep::EraseNonFactoryArea : JobStep::EraseAll, kPhaseErase).pass;
    }
}

// The numbers of a burn that broke off stay reserved for the channel's next
// device, as after any failed burn.
void ChannelJob::FinishNumbersAfterException() {
    if (!numbersBuilt_ || numbersFinished_) return;
    numbersFinished_ = true;
    try {
        ctx_.numbers.Finish(channel_, false);
    } catch (...) {
        Log(channel_, "任务线程异常\n");
    }
}

void ChannelJob::Finish() {
    if (row_.elapsedSeconds.load() == 0) row_.elapsedSeconds = 1;
    const int elapsed = row_.elapsedSeconds.load();
    if (StopRequested() || !ok_) {
        // A stop outside any step (monitoring, start delay, retry pause)
        // leaves the cause of a step that failed before it.
        if (row_.failCause.Get().empty()) NoteCause(kStoppedCause);
        row_.stopRequested = 0;
        if (row_.status.load() == kStatusMonitoring) {
            row_.status = kStatusIdle;
            Log(channel_, "任务线程结束：OVER %d 秒\n", elapsed);
        } else {
            row_.status = kStatusFail;
            Log(channel_, "任务线程结束：FAIL %d 秒\n", elapsed);
        }
    } else {
        row_.status = kStatusPass;
        row_.progress = 100;
        Log(channel_, "任务线程结束 PASS  %d 秒\n", elapsed);
    }
}

}  // namespace station
