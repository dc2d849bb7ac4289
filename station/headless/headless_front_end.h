#pragma once
// The terminal front end's side of the engine: message boxes become lines on
// standard error (and in the main log), questions are answered by --yes, and
// job starts and ends become lines on standard output or the live table.
#include <array>
#include <atomic>
#include <mutex>
#include <string>

#include "station/engine/jobs/job_services.h"
#include "station/engine/settings/ini_keys.h"
#include "station/engine/state/station_notify.h"

namespace station {

class ChannelTable;

enum class Verdict { kNone, kPass, kFail, kOver };
const char* VerdictText(Verdict verdict);  // "PASS", "FAIL", "OVER", ""

class HeadlessFrontEnd : public StationFrontEnd, public StationNotifyReceiver {
public:
    // eventLines: print "ch%d start" and the verdict lines (not a terminal).
    HeadlessFrontEnd(ChannelTable& channels, bool answerYes, bool eventLines);

    void Message(const std::string& text) override;
    bool Ask(const std::string& question) override;
    void OnJobStart(int channel) override;
    void OnStationNotify(const StationNotify& notify) override;

    // The verdict of the channel's last job, kNone before its first.
    Verdict LastVerdict(int channel) const { return verdicts_.at(size_t(channel - 1)).load(); }
    int JobsEnded() const { return jobsEnded_.load(); }
    bool AnyJobFailed() const { return anyFailed_.load(); }

private:
    ChannelTable& channels_;
    const bool answerYes_;
    const bool eventLines_;
    std::mutex outputMutex_;
    std::array<std::atomic<Verdict>, kChannelCount> verdicts_{};
    std::atomic<int> jobsEnded_{0};
    std::atomic<bool> anyFailed_{false};
};

}  // namespace station
