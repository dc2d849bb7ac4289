#include "station/remote/remote_commands.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "station/engine/jobs/routed_front_end.h"
#include "station/engine/jobs/station_engine.h"
#include "station/engine/log/main_log.h"
#include "station/engine/state/channel_state.h"

namespace station::remote {

namespace {

constexpr const char* kReturnToMainScreen = "x 请先返回主界面!";
constexpr const char* kClosing = "station closing";

std::string Format(const char* format, int channel) {
    char text[128];
    std::snprintf(text, sizeof text, format, channel);
    return text;
}

// Takes the messages and questions of one command. Messages are logged as
// the station's front ends log theirs; questions are answered No, so the
// command ends where the operator would have had to decide.
class CommandAnswers : public StationFrontEnd {
public:
    explicit CommandAnswers(StationFrontEnd& own) : own_(own) {}
    void Message(const std::string& text) override {
        Log(0, "%s\n", text.c_str());
        if (text_.empty()) text_ = text;
    }
    bool Ask(const std::string& question) override {
        Log(0, "%s No\n", question.c_str());
        if (text_.empty()) text_ = question;
        return false;
    }
    bool SecondaryScreenOpen() override { return own_.SecondaryScreenOpen(); }
    bool ReturnToMainScreen() override { return false; }  // a network command never leaves a window
    bool OldProjectWithoutModelId() override { return own_.OldProjectWithoutModelId(); }
    const std::string& Text() const { return text_; }

private:
    StationFrontEnd& own_;
    std::string text_;
};

}  // namespace

struct RemoteCommands::Shared {
    std::mutex commandMutex;  // one network command at a time
    std::mutex mutex;
    std::condition_variable done;
    bool closed = false;
};

RemoteCommands::RemoteCommands(StationEngine& engine, StationFrontEnd& frontEnd)
    : engine_(engine), frontEnd_(frontEnd), shared_(std::make_shared<Shared>()) {}

void RemoteCommands::Close() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->closed = true;
    shared_->done.notify_all();
}

// The command runs where the front end runs its own; this thread waits for
// it, unless the station closes first.
template <class Command>
CommandOutcome RemoteCommands::Run(Command command) {
    std::lock_guard<std::mutex> serial(shared_->commandMutex);
    struct Result {
        bool finished = false;
        CommandOutcome outcome;
    };
    auto result = std::make_shared<Result>();
    std::shared_ptr<Shared> shared = shared_;
    StationFrontEnd& own = frontEnd_;
    frontEnd_.PostCommand([result, shared, command, &own] {
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            if (shared->closed) return;
        }
        CommandAnswers answers(own);
        CommandOutcome outcome;
        {
            RoutedFrontEnd::Scope scope(answers);
            outcome = command();
        }
        if (outcome.refused && !answers.Text().empty()) outcome.text = answers.Text();
        std::lock_guard<std::mutex> lock(shared->mutex);
        result->outcome = outcome;
        result->finished = true;
        shared->done.notify_all();
    });
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->done.wait(lock, [&] { return result->finished || shared_->closed; });
    if (!result->finished) return CommandOutcome{true, kClosing, {}};
    return result->outcome;
}

CommandOutcome RemoteCommands::StartAll() {
    return Run([this] {
        CommandOutcome outcome;
        if (frontEnd_.SecondaryScreenOpen()) return CommandOutcome{true, kReturnToMainScreen, {}};
        std::vector<bool> before;
        for (int channel = 1; channel <= kChannelCount; ++channel) before.push_back(engine_.ChannelActive(channel));
        if (engine_.StartAll() < 0) {
            outcome.refused = true;
            outcome.text = "start refused";
        }
        for (int channel = 1; channel <= kChannelCount; ++channel)
            if (!before[size_t(channel - 1)] && engine_.ChannelActive(channel)) outcome.channels.push_back(channel);
        return outcome;
    });
}

CommandOutcome RemoteCommands::StartChannels(const std::vector<int>& channels) {
    return Run([this, channels] {
        CommandOutcome outcome;
        for (int channel : channels)
            if (engine_.ChannelActive(channel) || IsBusy(engine_.Channels()[channel].status.load()))
                return CommandOutcome{true, Format("通道%d已在运行", channel), {}};
        for (int channel : channels) {
            // Refusals that the start button only logs get their log line's text.
            LastLogLine refusal;
            if (engine_.StartOne(channel)) {
                outcome.channels.push_back(channel);
                continue;
            }
            outcome.refused = true;
            outcome.text = refusal.Text().empty() ? Format("通道%d未启动", channel) : refusal.Text();
            break;
        }
        return outcome;
    });
}

CommandOutcome RemoteCommands::StopAll() {
    return Run([this] {
        CommandOutcome outcome;
        for (int channel = 1; channel <= kChannelCount; ++channel)
            if (engine_.ChannelActive(channel)) outcome.channels.push_back(channel);
        engine_.StopAll();
        return outcome;
    });
}

CommandOutcome RemoteCommands::StopChannels(const std::vector<int>& channels) {
    return Run([this, channels] {
        CommandOutcome outcome;
        for (int channel : channels)
            if (engine_.StopOne(channel)) outcome.channels.push_back(channel);
        return outcome;
    });
}

}  // namespace station::remote
