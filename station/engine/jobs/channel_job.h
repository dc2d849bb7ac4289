#pragma once
// One job of one channel: monitoring, start delay, MAC/SN allocation, the
// steps of the station function with their retry rules, and the verdict.
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/local_time.h"
#include "station/engine/jobs/job_services.h"

namespace station {

class StationSettings;
class FunctionSelection;
class ChannelControls;
struct ChannelState;

// The engine parts a job works with.
struct JobContext {
    const StationSettings& settings;
    const FunctionSelection& functions;
    StepRunner& runner;
    FactoryNumbers& numbers;
    BootModeEntry& boot;
    platform::Clock& clock;
    platform::LocalTimeSource now = platform::LocalTimeNow;
};

// One run of a tool step (every retry is one), as the device record lists it.
struct StepAttempt {
    JobStep step;
    bool uart = true;  // the interface picks the tool
    StepResult result;
};

class ChannelJob {
public:
    ChannelJob(const JobContext& context, int channel, ChannelState& row, ChannelControls& controls);

    // Runs the job to its verdict (status PASS, FAIL, or idle for OVER) and
    // writes the verdict line. Returns true when loop monitoring wants the
    // channel to wait for its next device at once.
    bool Run();

    int FuncType() const { return func_; }
    // The job ended because the channel was stopped.
    bool Stopped() const { return stopped_; }
    const platform::LocalTime& Start() const { return start_; }
    const std::vector<StepAttempt>& Attempts() const { return attempts_; }
    const std::string& DeviceType() const { return device_; }
    const std::string& Port() const { return port_; }

private:
    void RunSteps();
    bool WaitForDevice();
    void StartDelay();
    void Dispatch();
    void RunErase();
    // A step and the retries its rule allows (rule T: `onlyWhenEveryItemFailed`).
    bool RunRetried(JobStep step, const char* phase, bool firstStep, bool onlyWhenEveryItemFailed = false);
    StepResult RunOnce(JobStep step, const char* phase);
    bool RetryAllowed(bool firstStep) const;
    bool RetryWindowOpen() const;
    void LogRetry();
    // Sleeps up to `ms` unless the channel is stopped; false when stopped.
    bool SleepUnlessStopped(uint32_t ms);
    bool StopRequested() const;
    // Keeps why the job is failing in the channel's row, for the operator.
    void NoteCause(const std::string& cause);
    void FinishNumbersAfterException();
    void Finish();

    const JobContext& ctx_;
    const int channel_;
    ChannelState& row_;
    ChannelControls& controls_;

    // Read at the job's start.
    int func_ = 0;
    int cali_ = 0;
    int test_ = 0;
    int erase_ = 0;
    bool uart_ = true;
    int mode_ = 0;
    std::string device_;
    std::string port_;
    std::string channelLog_;
    int retryWindow_ = 30;

    platform::LocalTime start_;
    std::vector<StepAttempt> attempts_;
    bool ok_ = true;
    bool stopped_ = false;
    bool numbersBuilt_ = false;
    bool numbersFinished_ = false;
    bool retried_ = false;
    int attempt_ = 1;
};

}  // namespace station
