#include "station/headless/headless_options.h"

#include <algorithm>
#include <cstdlib>

#include "station/engine/jobs/function_type.h"

namespace station {

const char* const kHeadlessUsage =
    "usage: Torvane --headless [options]\n"
    "Runs the station without windows, with the current directory as station root.\n"
    "\n"
    "  --start-all     start every enabled channel with a port (the default)\n"
    "  --start LIST    start the listed channels with their own start buttons,\n"
    "                  e.g. --start 3,5 (no start delay, no retries)\n"
    "  --make-list     generate the station burn list from FILE_SET first\n"
    "  --yes           answer Yes to the start's questions (else No)\n"
    "  --func N        select the station function first (1 2 4 5 8 9 12 13 16)\n"
    "  --jobs N        every started channel runs N jobs in a row (default 1)\n"
    "  --idle          start nothing; run until SIGINT or SIGTERM, driven over\n"
    "                  the network interface ([REMOTE] LISTEN in Torvane.ini)\n"
    "  --help          this text\n"
    "\n"
    "Exit status: 0 every job passed, 1 a job ended FAIL or OVER, 2 the station\n"
    "or the start command refused, or no channel could be started.\n";

namespace {

bool ParsePositive(const std::string& text, int limit, int& value) {
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), ::isdigit)) return false;
    value = std::atoi(text.c_str());
    return value >= 1 && value <= limit;
}

bool ParseChannelList(const std::string& text, std::vector<int>& channels) {
    channels.clear();
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t comma = std::min(text.find(',', pos), text.size());
        int channel = 0;
        if (!ParsePositive(text.substr(pos, comma - pos), 16, channel)) return false;
        if (std::find(channels.begin(), channels.end(), channel) == channels.end()) channels.push_back(channel);
        pos = comma + 1;
    }
    return !channels.empty();
}

}  // namespace

bool ParseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options, std::string& error,
                          bool& help) {
    help = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const std::string value = hasValue ? args[i + 1] : "";
        if (a == "--headless") continue;
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
        }
        if (a == "--start-all") {
            options.startAll = true;
            options.startChannels.clear();
        } else if (a == "--start") {
            if (!hasValue || !ParseChannelList(value, options.startChannels)) {
                error = "--start needs a list of channels 1 to 16, e.g. --start 3,5";
                return false;
            }
            options.startAll = false;
            ++i;
        } else if (a == "--make-list") {
            options.makeList = true;
        } else if (a == "--idle") {
            options.idle = true;
        } else if (a == "--yes") {
            options.answerYes = true;
        } else if (a == "--func") {
            int func = 0;
            if (!hasValue || !ParsePositive(value, 16, func) || !IsJobFunction(func)) {
                error = "--func needs one of 1, 2, 4, 5, 8, 9, 12, 13, 16";
                return false;
            }
            options.funcType = func;
            ++i;
        } else if (a == "--jobs") {
            if (!hasValue || !ParsePositive(value, 1000000, options.jobs)) {
                error = "--jobs needs a number of jobs from 1";
                return false;
            }
            options.jobsGiven = true;
            ++i;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    return true;
}

}  // namespace station
