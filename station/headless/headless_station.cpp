#include "station/headless/headless_station.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/paths.h"
#include "platform/terminal.h"
#include "station/engine/burnlist/download_setup.h"
#include "station/engine/jobs/function_type.h"
#include "station/engine/startup/station_assembly.h"
#include "station/engine/startup/exit_status.h"
#include "station/engine/state/channel_state.h"
#include "station/headless/headless_front_end.h"
#include "station/headless/headless_options.h"
#include "station/headless/live_table.h"
#include "station/remote/remote_station.h"

namespace station {

namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(50);
constexpr auto kRedrawPeriod = std::chrono::milliseconds(200);  // at most 5 times a second

// The parameter page's confirmation, from the configured files. Without a
// page to look at, the operator also gets the list's own reason (already in
// the main log) before the page's message.
bool MakeBurnList(const StationSettings& settings, int funcType, StationFrontEnd& frontEnd) {
    std::string listFailure;
    const std::string problem = ConfirmDownloadSetup(settings, (funcType & kFuncBurn) != 0,
                                                     DownloadFilesFromSettings(settings), &listFailure);
    if (!listFailure.empty() && (funcType & kFuncBurn)) std::fprintf(stderr, "%s", listFailure.c_str());
    if (!problem.empty()) frontEnd.Message(problem);
    return problem.empty();
}

int StartChannels(StationEngine& engine, const HeadlessOptions& options) {
    if (options.startChannels.empty()) return engine.StartAll();
    int started = 0;
    for (int channel : options.startChannels) started += engine.StartOne(channel) ? 1 : 0;
    return started;
}

std::vector<int> EnabledChannels(const StationSettings& settings, const HeadlessOptions& options) {
    if (!options.startChannels.empty()) return options.startChannels;
    std::vector<int> channels;
    for (int channel = 1; channel <= kChannelCount; ++channel)
        if (settings.ChannelEnabled(channel)) channels.push_back(channel);
    return channels;
}

// Waits until every started channel has ended its jobs (with `idle`, until a
// stop signal); a stop signal is the stop-all command, after which the jobs
// end with their tools killed.
void WaitForJobs(StationEngine& engine, LiveTable* table, bool idle) {
    bool stopped = false;
    auto lastDraw = std::chrono::steady_clock::now() - kRedrawPeriod;
    while (engine.AnyActive() || (idle && !stopped)) {
        if (platform::StopSignalReceived() && !stopped) {
            engine.StopAll();
            stopped = true;
        }
        if (table && std::chrono::steady_clock::now() - lastDraw >= kRedrawPeriod) {
            table->Redraw();
            lastDraw = std::chrono::steady_clock::now();
        }
        std::this_thread::sleep_for(kPollPeriod);
    }
    if (table) table->Redraw();
}

}  // namespace

int RunHeadless(const std::vector<std::string>& args) {
    HeadlessOptions options;
    std::string error;
    bool help = false;
    if (!ParseHeadlessOptions(args, options, error, help)) {
        std::fprintf(stderr, "Torvane: %s\n%s", error.c_str(), kHeadlessUsage);
        return kExitRefused;
    }
    if (help) {
        std::fputs(kHeadlessUsage, stdout);
        return kExitPass;
    }

    const bool terminal = platform::StdoutIsTerminal();
    ChannelTable& channels = StationChannels();
    HeadlessFrontEnd frontEnd(channels, options.answerYes, !terminal);
    SetStationNotifyReceiver(&frontEnd);
    platform::CatchStopSignals();

    int status = kExitRefused;
    {
        StationAssembly station(platform::CurrentDirectory(), frontEnd);
        StationEngine& engine = station.Engine();
        // A stop signal during start-up ends the station before any channel starts.
        bool ready = station.Start() && !platform::StopSignalReceived();
        if (ready && options.funcType != 0) ready = engine.SelectFunction(options.funcType);
        if (ready && options.makeList) ready = MakeBurnList(station.Settings(), engine.Functions().Func(), frontEnd);
        remote::RemoteStation remote({engine, channels, station.Settings(), station.Records(), frontEnd,
                                      station.Runtime().stationId});
        if (ready) {
            // Without --jobs a channel keeps the station's own rule.
            engine.SetJobsPerStart(options.jobsGiven ? options.jobs : 0);
            const int started = options.idle ? 0 : StartChannels(engine, options);
            if (started <= 0 && !options.idle) {
                std::fprintf(stderr, "Torvane: no channel could be started (see the main log)\n");
            } else {
                remote.Start();
                LiveTable table(channels, frontEnd, EnabledChannels(station.Settings(), options));
                WaitForJobs(engine, terminal ? &table : nullptr, options.idle);
                status = frontEnd.AnyJobFailed() ? kExitFail : kExitPass;
            }
        }
        remote.Stop();
        station.Shutdown();
    }
    SetStationNotifyReceiver(nullptr);
    return status;
}

}  // namespace station
