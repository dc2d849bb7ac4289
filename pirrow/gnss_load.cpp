#include "pirrow/gnss_load.h"

#include "common/print_log.h"
#include "common/text_search.h"
#include "pirrow/jobs.h"

namespace pirrow {

using common::Contains;
using common::PrintLog;

namespace {

constexpr uint32_t kPollMs = 100;
constexpr int kRequestAttempts = 10;

// A line that answers a step: success when it carries the step's "00" code.
GnssVerdict Answer(std::string_view line, std::string_view success) {
    return Contains(line, success) ? GnssVerdict::Success : GnssVerdict::Failure;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::vector<std::string> GnssLineSplitter::Feed(std::string_view bytes) {
    std::vector<std::string> lines;
    auto handOut = [&] {
        if (!partial_.empty()) lines.push_back(std::move(partial_));
        partial_.clear();
    };
    for (char c : bytes) {
        if (c == '\n') {
            handOut();
            continue;
        }
        partial_.push_back(c);
        if (partial_.size() == kCapacity) handOut();
    }
    return lines;
}

GnssVerdict JudgeGnssLine(int mode, std::string_view line) {
    if (mode == kGnssModeRequest) {
        if (Contains(line, "GNSS,01,01,")) return Answer(line, "GNSS,01,01,00");
        return GnssVerdict::Continue;
    }
    // An accepted start ("GNSS,01,02,00") keeps the wait going.
    if (Contains(line, "GNSS,01,02,") && !Contains(line, "GNSS,01,02,00")) return GnssVerdict::Failure;
    if (Contains(line, "GNSS,01,04,")) return Answer(line, "GNSS,01,04,00");
    return GnssVerdict::Continue;
}

std::optional<int> GnssProgressPercent(std::string_view line) {
    size_t at = line.find("GNSS,01,03,");
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view field = line.substr(at);  // "GNSS,01,03,0S,PP"
    if (field.size() < 15) return std::nullopt;
    char stage = field[12];
    if (!IsDigit(stage) || stage >= '5') return std::nullopt;
    int percent = 0;
    for (size_t i = 14; i < 16 && i < field.size() && IsDigit(field[i]); ++i) percent = percent * 10 + (field[i] - '0');
    return (stage - '1') * 20 + percent / 5;
}

int GnssWait(Session& s, int mode, int timeoutMs) {
    GnssLineSplitter splitter;
    // A first pause, one read per pause, and a pause after the last read:
    // that whole time is the limit; lines are taken as they arrive.
    const int reads = timeoutMs / int(kPollMs) + 1;
    const uint64_t endUs = s.clock.NowUs() + uint64_t(reads + 1) * kPollMs * 1000;
    while (true) {
        std::string chunk;
        s.link.ReadQueued(chunk, splitter.Room());
        for (const std::string& line : splitter.Feed(chunk)) {
            PrintLog(false, "R: %s\n", line.c_str());
            if (Contains(line, "GNSS,")) common::PrintConsole("info:%s\n", line.c_str());
            if (mode == kGnssModeLoad) {
                if (std::optional<int> percent = GnssProgressPercent(line))
                    common::PrintConsole("percent:%d\n", *percent);
            }
            GnssVerdict verdict = JudgeGnssLine(mode, line);
            if (verdict != GnssVerdict::Continue) return verdict == GnssVerdict::Success ? 1 : 0;
        }
        if (s.clock.NowUs() >= endUs) return 0;
        s.link.WaitForData(endUs);
    }
}

bool GpsLoad(Session& s) {
    PrintLog(false, "channel GpsLoad start \n");
    const int baud = s.settings.baud == 0 ? kLoaderBaud : s.settings.baud;
    if (!s.link.Open(s.settings.portName, baud)) {
        PrintLog(false, "GpsLoad fail \n");
        return false;
    }
    int result = 0;
    for (int attempt = 0; attempt < kRequestAttempts; ++attempt) {
        s.link.Send("GNSS,01,01\r\n");
        result = GnssWait(s, kGnssModeRequest, 2000);
        if (result != 1) continue;
        s.link.Send("GNSS,01,02\r\n");
        result = GnssWait(s, kGnssModeLoad, 40000);
        if (result == 1) PrintPercent(100);
        break;
    }
    s.link.Close();
    PrintLog(false, result == 1 ? "GpsLoad success \n" : "GpsLoad fail \n");
    return result == 1;
}

}  // namespace pirrow
