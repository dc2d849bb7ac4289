#include "station/headless/headless_front_end.h"

#include <cstdio>

#include "station/engine/log/main_log.h"
#include "station/engine/state/channel_state.h"

namespace station {

namespace {

// The cause in double quotes; a quote or backslash inside is escaped, and so
// is a line end, so a reader of the line finds where the cause (and the
// event line) ends.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            quoted += c == '\n' ? "\\n" : "\\r";
            continue;
        }
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::kPass: return "PASS";
    case Verdict::kFail: return "FAIL";
    case Verdict::kOver: return "OVER";
    default: return "";
    }
}

HeadlessFrontEnd::HeadlessFrontEnd(ChannelTable& channels, bool answerYes, bool eventLines)
    : channels_(channels), answerYes_(answerYes), eventLines_(eventLines) {
    for (auto& verdict : verdicts_) verdict = Verdict::kNone;
}

void HeadlessFrontEnd::Message(const std::string& text) {
    Log(0, "%s\n", text.c_str());
    std::lock_guard<std::mutex> lock(outputMutex_);
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

bool HeadlessFrontEnd::Ask(const std::string& question) {
    const char* answer = answerYes_ ? "Yes" : "No";
    Log(0, "%s %s\n", question.c_str(), answer);
    std::lock_guard<std::mutex> lock(outputMutex_);
    std::fprintf(stderr, "%s %s\n", question.c_str(), answer);
    std::fflush(stderr);
    return answerYes_;
}

void HeadlessFrontEnd::OnJobStart(int channel) {
    if (!eventLines_) return;
    std::lock_guard<std::mutex> lock(outputMutex_);
    std::printf("ch%d start\n", channel);
    std::fflush(stdout);
}

void HeadlessFrontEnd::OnStationNotify(const StationNotify& notify) {
    if (!(notify.flags & kNotifyJobFinished) || notify.channel < 1 || notify.channel > kChannelCount) return;
    const ChannelState& row = channels_[notify.channel];
    const int32_t status = row.status.load();
    const Verdict verdict = status == kStatusPass ? Verdict::kPass
                            : status == kStatusFail ? Verdict::kFail
                                                    : Verdict::kOver;
    verdicts_[size_t(notify.channel - 1)] = verdict;
    if (verdict != Verdict::kPass) anyFailed_ = true;
    ++jobsEnded_;
    if (!eventLines_) return;
    const std::string mac = row.macText.Get();
    const std::string sn = row.snText.Get();
    // Only a job that did not pass has a cause to show.
    const std::string cause = verdict == Verdict::kPass ? "" : " cause=" + Quoted(row.failCause.Get());
    std::lock_guard<std::mutex> lock(outputMutex_);
    std::printf("ch%d %s %ds mac=%s sn=%s%s\n", notify.channel, VerdictText(verdict), row.elapsedSeconds.load(),
                mac.c_str(), sn.c_str(), cause.c_str());
    std::fflush(stdout);
}

}  // namespace station
