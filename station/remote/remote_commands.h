#pragma once
// Start and stop from the network. They run the engine's own commands with
// their own checks, on the thread where the station's front end runs its
// commands; a refusal comes back as the station's own text instead of a box,
// and a question the start would ask the operator comes back unanswered.
#include <memory>
#include <string>
#include <vector>

namespace station {
class StationEngine;
class StationFrontEnd;
}  // namespace station

namespace station::remote {

struct CommandOutcome {
    bool refused = false;
    std::string text;         // the refusal or the question
    std::vector<int> channels;  // started or stopped
};

class RemoteCommands {
public:
    RemoteCommands(StationEngine& engine, StationFrontEnd& frontEnd);

    // The ribbon's start-all; refused while the parameter page is open.
    CommandOutcome StartAll();
    // Each channel as its own start button starts it (no start delay, no
    // retries), except that a busy channel is refused, never stopped.
    CommandOutcome StartChannels(const std::vector<int>& channels);
    CommandOutcome StopAll();
    CommandOutcome StopChannels(const std::vector<int>& channels);

    // Set when the station closes: a command still waiting gives up.
    void Close();

private:
    template <class Command>
    CommandOutcome Run(Command command);

    StationEngine& engine_;
    StationFrontEnd& frontEnd_;
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace station::remote
