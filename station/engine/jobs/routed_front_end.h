#pragma once
// The front end that the engine's commands talk to. It is the station's own
// (the windows or the terminal), except while another front end's command
// runs on the calling thread: then that front end gets the command's
// messages and questions. So the network's start runs the very checks of
// the start buttons, and its refusals go back to the network, not into a box.
#include "station/engine/jobs/job_services.h"

namespace station {

class RoutedFrontEnd : public StationFrontEnd {
public:
    explicit RoutedFrontEnd(StationFrontEnd& own) : own_(own) {}

    // While a Scope lives, commands on its thread answer to `other`.
    class Scope {
    public:
        explicit Scope(StationFrontEnd& other);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        StationFrontEnd* previous_;
    };

    void Message(const std::string& text) override { Current().Message(text); }
    bool Ask(const std::string& question) override { return Current().Ask(question); }
    bool SecondaryScreenOpen() override { return Current().SecondaryScreenOpen(); }
    bool ReturnToMainScreen() override { return Current().ReturnToMainScreen(); }
    bool OldProjectWithoutModelId() override { return Current().OldProjectWithoutModelId(); }
    void OnJobStart(int channel) override { own_.OnJobStart(channel); }
    void PostCommand(std::function<void()> command) override { own_.PostCommand(std::move(command)); }

private:
    StationFrontEnd& Current();
    StationFrontEnd& own_;
};

}  // namespace station
