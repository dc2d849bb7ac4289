#include "devsim/model/gnss_loader.h"

#include <cstdio>
#include <string>

namespace devsim {

namespace {

// Progress lines of a load: stages 1-4 in quarters, then stage 5 (closing).
struct ProgressStep {
    int stage;
    int percent;
};
constexpr ProgressStep kProgress[] = {{1, 0},  {1, 25}, {1, 50}, {1, 75}, {2, 0},  {2, 25}, {2, 50},
                                      {2, 75}, {3, 0},  {3, 25}, {3, 50}, {3, 75}, {4, 0},  {4, 25},
                                      {4, 50}, {4, 75}, {5, 0}};
constexpr size_t kProgressSteps = sizeof kProgress / sizeof kProgress[0];

}  // namespace

bool GnssLoader::OnLine(Device& device, std::string_view line) {
    if (line.substr(0, 5) != "GNSS,") return false;
    if (line == "GNSS,01,01") Request(device);
    else if (line == "GNSS,01,02") Start(device);
    return true;  // other GNSS lines are not commands of the loader
}

void GnssLoader::Answer(Device& device, const char* step, GnssStepOutcome outcome) {
    if (outcome == GnssStepOutcome::Silent) return;
    output_.Send(device, std::string(step) + (outcome == GnssStepOutcome::Ok ? ",00\r\n" : ",01\r\n"));
}

void GnssLoader::Request(Device& device) {
    Answer(device, "GNSS,01,01", options_.request);
    requested_ = options_.request == GnssStepOutcome::Ok;
}

void GnssLoader::Start(Device& device) {
    // A load needs an accepted request and runs one at a time.
    if (!requested_ || loading_) {
        Answer(device, "GNSS,01,02", GnssStepOutcome::Fail);
        return;
    }
    Answer(device, "GNSS,01,02", options_.start);
    if (options_.start != GnssStepOutcome::Ok) return;
    requested_ = false;
    loading_ = true;
    device.Schedule(options_.progressGapMs, [this, &device] { Progress(device, 0); });
}

void GnssLoader::Progress(Device& device, size_t step) {
    if (step == kProgressSteps) {
        Finish(device);
        return;
    }
    const ProgressStep& p = kProgress[step];
    char line[32];
    std::snprintf(line, sizeof line, "GNSS,01,03,%02d,%02d\r\n", p.stage, p.percent);
    output_.Send(device, line);
    const bool stageDone = step + 1 == kProgressSteps || kProgress[step + 1].stage != p.stage;
    if (stageDone && p.stage == options_.stallAfterStage) return;  // stays loading, says no more
    device.Schedule(options_.progressGapMs, [this, &device, step] { Progress(device, step + 1); });
}

void GnssLoader::Finish(Device& device) {
    loading_ = false;
    Answer(device, "GNSS,01,04", options_.finish);
}

}  // namespace devsim
