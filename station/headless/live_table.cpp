#include "station/headless/live_table.h"

#include <cstdio>

#include "station/engine/state/channel_state.h"
#include "station/headless/headless_front_end.h"

namespace station {

namespace {

constexpr int kBarWidth = 20;

std::string PadRight(const std::string& text, size_t width) {
    const size_t used = DisplayWidth(text);
    return used >= width ? text : text + std::string(width - used, ' ');
}

std::string ProgressBar(int percent) {
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    const int filled = percent * kBarWidth / 100;
    char tail[8];
    std::snprintf(tail, sizeof tail, "] %3d%%", percent);
    return "[" + std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), '.') + tail;
}

}  // namespace

size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
        if (i + length > text.size()) length = 1;
        // Three- and four-byte sequences here are CJK text and symbols: two columns.
        width += length >= 3 ? 2 : 1;
        i += length;
    }
    return width;
}

LiveTable::LiveTable(const ChannelTable& channels, const HeadlessFrontEnd& frontEnd, std::vector<int> shownChannels)
    : channels_(channels), frontEnd_(frontEnd), shown_(std::move(shownChannels)) {}

std::string LiveTable::Render() const {
    std::string out = PadRight("ch", 4) + PadRight("port", 16) + PadRight("phase", 10) + PadRight("progress", 28) +
                      PadRight("time", 7) + PadRight("verdict", 9) + PadRight("mac", 14) + PadRight("sn", 12) +
                      "cause\n";
    for (int channel : shown_) {
        const ChannelState& row = channels_[channel];
        const int32_t status = row.status.load();
        std::string verdict, cause;
        if (IsBusy(status)) {
            verdict = status == kStatusMonitoring ? "wait" : "run";
        } else {
            const Verdict last = frontEnd_.LastVerdict(channel);
            verdict = VerdictText(last);
            if (last == Verdict::kFail || last == Verdict::kOver) cause = row.failCause.Get();
        }
        out += PadRight(std::to_string(channel), 4) + PadRight(row.port.Get(), 16) +
               PadRight(row.statusText.Get(), 10) + PadRight(ProgressBar(row.progress.load()), 28) +
               PadRight(std::to_string(row.elapsedSeconds.load()) + "s", 7) + PadRight(verdict, 9) +
               PadRight(row.macText.Get(), 14) + PadRight(row.snText.Get(), 12) + cause + "\n";
    }
    return out;
}

void LiveTable::Redraw() {
    std::string frame;
    // Back to the table's first line, then each line redrawn and cleared to its end.
    if (linesDrawn_ > 0) frame += "\x1b[" + std::to_string(linesDrawn_) + "F";
    const std::string table = Render();
    int lines = 0;
    size_t start = 0;
    while (start < table.size()) {
        const size_t end = table.find('\n', start);
        frame += table.substr(start, end - start) + "\x1b[K\n";
        ++lines;
        start = end + 1;
    }
    linesDrawn_ = lines;
    std::fwrite(frame.data(), 1, frame.size(), stdout);
    std::fflush(stdout);
}

}  // namespace station
