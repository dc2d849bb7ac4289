#pragma once
// The station without windows: the sixteen channel threads, the start and
// stop commands, the function switch and the elapsed-time tick. Every front
// end drives the station through this class and hears back through the
// station notification (station_notify.h) and StationFrontEnd.
#include <array>
#include <functional>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/local_time.h"
#include "station/engine/jobs/channel_controls.h"
#include "station/engine/jobs/channel_job.h"
#include "station/engine/jobs/function_selection.h"
#include "station/engine/jobs/job_services.h"
#include "station/engine/settings/ini_keys.h"

namespace station {

class ChannelTable;
class StationSettings;
class DeviceRecorder;

struct StationParts {
    StepRunner& runner;
    FactoryNumbers& numbers;
    BootModeEntry& boot;
    StationFrontEnd& frontEnd;
    platform::Clock& clock = platform::SystemClock();
    // The local date and time of job starts, day directories and records.
    platform::LocalTimeSource now = platform::LocalTimeNow;
    DeviceRecorder* records = nullptr;  // the device record of every job with a device
};

class StationEngine {
public:
    StationEngine(const StationSettings& settings, ChannelTable& channels, StationParts parts);
    ~StationEngine();
    StationEngine(const StationEngine&) = delete;
    StationEngine& operator=(const StationEngine&) = delete;

    // The sixteen channel threads and the 2000 ms tick.
    void StartThreads();
    // Ends the threads once their jobs have ended (stop them first).
    void StopThreads();

    FunctionSelection& Functions() { return functions_; }
    // Start-up's load of the function in use (see FunctionSelection::Load);
    // the start buttons are captioned by it.
    void LoadFunctions(bool* replaced = nullptr);
    ChannelControls& Controls(int channel) { return controls_.at(size_t(channel - 1)); }
    const StationSettings& Settings() const { return settings_; }
    ChannelTable& Channels() { return channels_; }
    // The next numbers of the shared pool, when the station allocates from one.
    std::optional<SharedNextNumbers> PoolNext() { return parts_.numbers.PoolNext(); }

    // The channel's own start button (doubles as its stop button while the
    // channel is busy). True when the channel was started.
    bool StartOne(int channel);
    // The start-all command; returns the number of channels started, or -1
    // when a check refused the command.
    int StartAll();
    void StopAll();
    // Stops one channel as its start button does while it is busy; a channel
    // between two jobs of a row ends its row. False when it was not working.
    bool StopOne(int channel);
    // From its start until its last job has ended.
    bool ChannelActive(int channel) const { return active_.at(size_t(channel - 1)).load(); }
    // The ribbon's function switch; false when refused (a channel works).
    bool SelectFunction(int funcType);
    // Advances the elapsed time of busy channels (the 2000 ms tick).
    void Tick();

    // Every start makes each started channel run `jobs` jobs in a row (loop
    // monitoring re-arms until then, and no further); 0 restores the
    // station's own rule (loop monitoring re-arms until stopped).
    void SetJobsPerStart(int jobs) { jobsPerStart_ = jobs; }
    // A channel is active from its start until its last job has ended.
    bool AnyActive() const;
    bool AnyBusy() const;

    // One job on the calling thread, as a channel thread runs it (tests).
    void RunJob(int channel);

private:
    void CaptionAllButtons(int funcType);
    void Refuse(const char* text);
    bool CheckFunctionForStart(bool startAll);
    bool CheckCalibration();
    bool CheckTest();
    bool CheckErase(bool startAll);
    bool BurnListExists() const;
    void ResetBootModeForCalibration();
    void ArmChannel(int channel, bool singleStart);
    void WorkerLoop(int channel);
    void EndOfJob(int channel, const ChannelJob& job, bool loopMonitoring);
    // Ends a channel's row and asks its job to stop; `busyLine` (with the
    // channel number) is logged when a job was running. False when the
    // channel was not working.
    bool StopChannel(int channel, const char* busyLine);

    const StationSettings& settings_;
    ChannelTable& channels_;
    StationParts parts_;
    FunctionSelection functions_;
    JobContext jobContext_;
    std::array<ChannelControls, kChannelCount> controls_;
    std::array<std::atomic<bool>, kChannelCount> active_{};
    std::array<std::atomic<int>, kChannelCount> jobsLeft_{};
    std::atomic<int> jobsPerStart_{0};
    std::atomic<bool> quit_{false};
    std::array<std::thread, kChannelCount> workers_;
    std::thread ticker_;
};

}  // namespace station
