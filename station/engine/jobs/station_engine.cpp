#include "station/engine/jobs/station_engine.h"

#include <chrono>

#include "station/engine/jobs/factory_info.h"
#include "station/engine/jobs/function_type.h"
#include "station/engine/jobs/record_file.h"
#include "station/engine/log/main_log.h"
#include "station/engine/record/device_recorder.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"
#include "station/engine/state/station_notify.h"

namespace station {

namespace {
// How often an idle thread looks whether the station is closing.
constexpr auto kQuitPoll = std::chrono::milliseconds(200);
}  // namespace

StationEngine::StationEngine(const StationSettings& settings, ChannelTable& channels, StationParts parts)
    : settings_(settings),
      channels_(channels),
      parts_(parts),
      jobContext_{settings_, functions_, parts.runner, parts.numbers, parts.boot, parts.clock, parts.now} {
    CaptionAllButtons(functions_.Func());
}

StationEngine::~StationEngine() { StopThreads(); }

void StationEngine::CaptionAllButtons(int funcType) {
    for (auto& controls : controls_) controls.SetCaption(ButtonCaption(funcType));
}

void StationEngine::LoadFunctions(bool* replaced) {
    functions_.Load(settings_, replaced);
    CaptionAllButtons(functions_.Func());
}

void StationEngine::StartThreads() {
    quit_ = false;
    for (int channel = 1; channel <= kChannelCount; ++channel)
        workers_[size_t(channel - 1)] = std::thread([this, channel] { WorkerLoop(channel); });
    ticker_ = std::thread([this] {
        using Clock = std::chrono::steady_clock;
        auto next = Clock::now() + std::chrono::milliseconds(kElapsedTickMs);
        while (!quit_) {
            std::this_thread::sleep_for(std::min<Clock::duration>(kQuitPoll, next - Clock::now()));
            if (Clock::now() < next) continue;
            next += std::chrono::milliseconds(kElapsedTickMs);
            Tick();
        }
    });
}

void StationEngine::StopThreads() {
    quit_ = true;
    for (auto& worker : workers_)
        if (worker.joinable()) worker.join();
    if (ticker_.joinable()) ticker_.join();
}

void StationEngine::WorkerLoop(int channel) {
    AutoResetEvent& start = channels_.channelStartEvent(channel);
    while (!quit_) {
        if (!start.WaitFor(kQuitPoll)) continue;
        RunJob(channel);
    }
}

void StationEngine::RunJob(int channel) {
    parts_.frontEnd.OnJobStart(channel);
    ChannelJob job(jobContext_, channel, channels_[channel], Controls(channel));
    const bool loopMonitoring = job.Run();
    EndOfJob(channel, job, loopMonitoring);
}

// The verdict is on record (FactoryInfo line, device record) before anyone is told, so a
// front end that handles the notice late never sees the next device's numbers.
void StationEngine::EndOfJob(int channel, const ChannelJob& job, bool loopMonitoring) {
    ChannelState& row = channels_[channel];
    bool rearm = loopMonitoring;
    std::atomic<int>& left = jobsLeft_[size_t(channel - 1)];
    if (left.load() > 0) rearm = --left > 0 && !job.Stopped() && !quit_;
    if (job.FuncType() & kFuncBurn) {
        const platform::LocalTime now = parts_.now();
        const std::string cause = AppendFactoryInfo(settings_.Root(), channel, row, now);
        if (!cause.empty()) ReportUnwritableRecord(parts_.frontEnd, FactoryInfoPath(settings_.Root(), now), cause);
    }
    if (parts_.records) parts_.records->RecordJob(channel, job, row, parts_.now());
    Controls(channel).SetSelectable(true);
    SendStationNotify(kNotifyJobEnd, channel);
    Controls(channel).SetCaption(ButtonCaption(job.FuncType()));
    // Active until the front end has heard of the end, so that nobody sees a
    // channel idle whose verdict is still on its way.
    if (rearm)
        channels_.channelStartEvent(channel).Set();
    else
        active_[size_t(channel - 1)] = false;
}

bool StationEngine::AnyActive() const {
    for (const auto& active : active_)
        if (active.load()) return true;
    return false;
}

bool StationEngine::AnyBusy() const { return channels_.AnyBusy(); }

void StationEngine::Tick() {
    const int32_t mask = channels_.TickElapsed();
    if (mask != 0) SendStationNotify(kNotifyRefreshPanels, mask);
}

// A channel between two jobs of a row (--jobs, loop monitoring) is not busy
// but will be: it is stopped too, and its row ends with the current job.
void StationEngine::StopAll() {
    Log(0, "点击停止按钮\n");
    for (int channel = 1; channel <= kChannelCount; ++channel) StopChannel(channel, "通道%d强制关闭\n");
}

bool StationEngine::StopOne(int channel) { return StopChannel(channel, "用户停止运行 %d\n"); }

bool StationEngine::StopChannel(int channel, const char* busyLine) {
    ChannelState& row = channels_[channel];
    std::atomic<int>& left = jobsLeft_[size_t(channel - 1)];
    if (left.load() > 1) left = 1;
    const bool busy = IsBusy(row.status.load());
    if (busy) Log(0, busyLine, channel);
    if (!busy && !active_[size_t(channel - 1)].load()) return false;
    row.stopRequested = 1;
    return true;
}

bool StationEngine::SelectFunction(int funcType) {
    if (funcType == functions_.Func()) return true;
    if (channels_.AnyBusy()) {
        Refuse("有通道处于工作状态，不可切换功能，请先停止运行!");
        return false;
    }
    functions_.Select(settings_, funcType);
    CaptionAllButtons(funcType);
    return true;
}

}  // namespace station
