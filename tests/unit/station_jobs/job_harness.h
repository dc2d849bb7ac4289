#pragma once
// A station root in a temporary directory, an engine over a private channel
// table, and stand-ins for the tool runner, the allocation, the boot-mode
// entry and the front end. Jobs run on the test's thread on virtual time; the
// clock ticks the engine every 2000 virtual ms, as the frame's timer does.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/ini_profile.h"
#include "platform/clock.h"
#include "platform/local_time.h"
#include "station/engine/jobs/function_type.h"
#include "station/engine/jobs/station_engine.h"
#include "station/engine/log/log_paths.h"
#include "station/engine/log/main_log.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"
#include "station/engine/state/station_notify.h"

namespace jobs_test {

using namespace station;

struct StepCall {
    JobStep step;
    bool uart;
    int channel;
    std::string channelLog;
};

class FakeRunner : public StepRunner {
public:
    // Outcomes handed out in order per step kind; when none is left, `fallback`.
    std::map<JobStep, std::deque<StepResult>> script;
    StepResult fallback{true, 0};
    std::vector<StepCall> calls;
    std::function<void(JobStep)> during;  // runs inside each step (a stop, a throw)

    std::mutex mutex;  // channel threads share the stand-ins
    StepResult RunStep(JobStep step, bool uart, int channel, const std::string&,
                       const std::string& channelLog) override {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back({step, uart, channel, channelLog});
        if (during) during(step);
        auto& queue = script[step];
        if (queue.empty()) return fallback;
        StepResult outcome = queue.front();
        queue.pop_front();
        return outcome;
    }
    std::vector<JobStep> Steps() const {
        std::vector<JobStep> steps;
        for (const auto& c : calls) steps.push_back(c.step);
        return steps;
    }
};

class FakeNumbers : public FactoryNumbers {
public:
    bool buildResult = true;
    std::string refusal;  // logged by a refused build, as the allocation says why
    int builds = 0;
    std::vector<bool> finishes;
    int startCommands = 0;
    std::mutex mutex;
    bool Build(int channel) override {
        std::lock_guard<std::mutex> lock(mutex);
        ++builds;
        if (!buildResult && !refusal.empty()) Log(channel, "%s\n", refusal.c_str());
        return buildResult;
    }
    void Finish(int, bool passed) override {
        std::lock_guard<std::mutex> lock(mutex);
        finishes.push_back(passed);
    }
    void NewStartCommand() override { ++startCommands; }
};

class FakeBoot : public BootModeEntry {
public:
    // Waits on the clock until `answerAfterMs`, or until the channel is
    // stopped (a device that never comes: answerAfterMs < 0).
    int answerAfterMs = 0;
    platform::Clock* clock = nullptr;
    ChannelTable* channels = nullptr;
    std::atomic<int> waits{0};
    std::vector<int> resets;
    bool EnterBootMode(int channel, const std::string&) override {
        ++waits;
        int waited = 0;
        while (answerAfterMs < 0 || waited < answerAfterMs) {
            if ((*channels)[channel].stopRequested.load()) return false;
            clock->SleepMs(20);
            waited += 20;
        }
        return true;
    }
    bool ResetIntoBootMode(int channel, const std::string&) override {
        resets.push_back(channel);
        return true;
    }
};

class FakeFrontEnd : public StationFrontEnd, public StationNotifyReceiver {
public:
    std::vector<std::string> messages, questions;
    bool answer = false;
    bool secondaryScreen = false;
    std::vector<StationNotify> notices;
    std::mutex mutex;
    void Message(const std::string& text) override { messages.push_back(text); }
    bool Ask(const std::string& question) override {
        questions.push_back(question);
        return answer;
    }
    bool SecondaryScreenOpen() override { return secondaryScreen; }
    bool ReturnToMainScreen() override {
        secondaryScreen = false;
        return true;
    }
    void OnStationNotify(const StationNotify& notify) override {
        std::lock_guard<std::mutex> lock(mutex);
        notices.push_back(notify);
    }
    int JobEnds(int channel) {
        std::lock_guard<std::mutex> lock(mutex);
        int n = 0;
        for (const StationNotify& notice : notices) n += notice.flags == kNotifyJobEnd && notice.channel == channel;
        return n;
    }
};

// Virtual time that also drives the engine's 2000 ms tick.
class TickingClock : public platform::VirtualClock {
public:
    StationEngine* engine = nullptr;
    std::function<void(uint64_t nowMs)> onSleep;  // after each sleep (a stop at a given time)
    void SleepMs(uint32_t ms) override {
        for (uint32_t i = 0; i < ms; ++i) {
            platform::VirtualClock::SleepMs(1);
            if (engine && NowMs() % 2000 == 0) engine->Tick();
        }
        if (onSleep) onSleep(NowMs());
    }
};

class JobTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/station_jobs_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        CreateStationDirectories(root_);
        InstallMainLog(std::make_shared<MainLog>(root_));
        settings_ = std::make_unique<StationSettings>(root_);
        Set("COMMON_SET", "PORT_TYPE", "1");
        Set("DEV_SET", "DEV_NAME0", "QM2A");
        Set("CALI_SET", "CALI_CRYSTALTYPE", "1");  // wireless: every device may calibrate
        Set("PCBA_TEST", "FW_VERSION", "v1.0.0.1");
        Set("PCBA_TEST", "BLE_NAME", "norva_ble");
        for (int ch = 1; ch <= 16; ++ch) Set("CHAN_SET", "CH" + std::to_string(ch), "1");
        // A UART start needs the device's RAM loader named.
        for (const char* device : {"QM2A", "QM2A_NAND", "QM2B", "QM2C", "QM2D", "QM2E", "QM2E_NAND"})
            Set("UART_DRIVER", device, "ram_patch.bin");
        boot_.clock = &clock_;
        boot_.channels = &channels_;
        SetStationNotifyReceiver(&frontEnd_);
    }
    void TearDown() override {
        SetStationNotifyReceiver(nullptr);
        engine_.reset();
        InstallMainLog(nullptr);
        std::filesystem::remove_all(root_);
    }

    void Set(const std::string& section, const std::string& key, const std::string& value) {
        ASSERT_TRUE(common::IniWriteString(root_ + "/Torvane.ini", section, key, value));
    }
    // The engine, made once the settings of the test are written.
    StationEngine& Engine(int funcType = 1) {
        if (!engine_) {
            Set("COMMON_SET", "FUNC_TYPE", std::to_string(funcType));
            engine_ = std::make_unique<StationEngine>(*settings_, channels_,
                                                      StationParts{runner_, *numbersPart_, boot_, frontEnd_, clock_, [this] { return now_(); }});
            engine_->Functions().Load(*settings_);
            clock_.engine = engine_.get();
            for (int ch = 1; ch <= 16; ++ch) channels_[ch].port.Set("/dev/pts/" + std::to_string(90 + ch));
        }
        return *engine_;
    }
    void WriteBurnList() { std::ofstream(root_ + "/temp/ImgBurnList.txt") << "[FILEINFO]\nNUM=0\n"; }

    // Starts one channel with the start-all command (or its own button) and
    // runs its job to the end on this thread.
    void RunJob(int channel, bool startAll = true) {
        StationEngine& engine = Engine();
        if (startAll) {
            for (int ch = 1; ch <= 16; ++ch)
                if (ch != channel) Set("CHAN_SET", "CH" + std::to_string(ch), "0");
            ASSERT_EQ(engine.StartAll(), 1);
        } else {
            ASSERT_TRUE(engine.StartOne(channel));
        }
        ASSERT_TRUE(channels_.channelStartEvent(channel).WaitFor(std::chrono::milliseconds(0)));
        engine.RunJob(channel);
    }

    std::string MainLogText() const {
        std::ifstream in(MainLogPath(root_, platform::LocalTimeNow()));
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    int CountInLog(const std::string& text) const {
        const std::string log = MainLogText();
        int n = 0;
        for (size_t pos = log.find(text); pos != std::string::npos; pos = log.find(text, pos + 1)) ++n;
        return n;
    }

    std::string root_;
    std::unique_ptr<StationSettings> settings_;
    ChannelTable channels_;
    FakeRunner runner_;
    FakeNumbers numbers_;
    FactoryNumbers* numbersPart_ = &numbers_;  // the allocation the engine is made with
    FakeBoot boot_;
    FakeFrontEnd frontEnd_;
    TickingClock clock_;
    platform::LocalTimeSource now_ = platform::LocalTimeNow;  // the engine's date and time
    std::unique_ptr<StationEngine> engine_;
};

}  // namespace jobs_test
