#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pirrow/session.h"

namespace pirrow {

// Cuts the GNSS loader's byte stream into lines. Like the line buffer it
// stands for, it holds at most 499 bytes; the unfinished last line is kept
// for the next read.
class GnssLineSplitter {
public:
    static constexpr size_t kCapacity = 499;

    // Bytes the next read may add.
    size_t Room() const { return kCapacity - partial_.size(); }
    // Returns the lines completed by `bytes`, without their line feeds (a
    // carriage return stays); empty lines vanish. A line that fills the
    // whole buffer without a line feed is handed out as it stands, so that
    // an overlong line cannot block the reads that follow it.
    std::vector<std::string> Feed(std::string_view bytes);

private:
    std::string partial_;
};

enum class GnssVerdict { Continue, Success, Failure };

// Wait modes: 1 awaits the load request's answer, 2 the load itself.
constexpr int kGnssModeRequest = 1;
constexpr int kGnssModeLoad = 2;

// What a complete line means for a wait in `mode`.
GnssVerdict JudgeGnssLine(int mode, std::string_view line);

// The percentage of a progress line "GNSS,01,03,0<stage>,<pct>" (stages 1-4
// make up 20 % each); nothing for other lines and for stages from 5 on.
std::optional<int> GnssProgressPercent(std::string_view line);

// Reads the loader's lines for up to `timeoutMs`: logs each, shows GNSS lines
// to the station and prints load progress. 1 on success, else 0.
int GnssWait(Session& s, int mode, int timeoutMs);

}  // namespace pirrow
