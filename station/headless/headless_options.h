#pragma once
#include <string>
#include <vector>

namespace station {

// What `Torvane --headless` was asked to do.
struct HeadlessOptions {
    bool startAll = true;           // the start-all command (default)
    std::vector<int> startChannels; // --start LIST: each channel's own start
    bool makeList = false;          // generate the station burn list first
    bool answerYes = false;         // --yes: the start's questions get Yes
    int funcType = 0;               // --func N: 0 keeps the station's function
    int jobs = 1;                   // --jobs N: jobs per started channel
    bool jobsGiven = false;
    bool idle = false;              // --idle: start nothing, run until a stop signal
};

// Parses the arguments that follow the program name (--headless among them).
// False with `error` set on a bad option; `help` set for --help.
bool ParseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options, std::string& error,
                          bool& help);

extern const char* const kHeadlessUsage;

}  // namespace station
