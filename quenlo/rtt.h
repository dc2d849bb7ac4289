#pragma once
// The RTT terminal: the text channel to the program running on the device
// (the RAM loader, later the application firmware).
#include <functional>
#include <string>

#include "quenlo/tool.h"

namespace quenlo {

// The receive buffer of one exchange: 40960 bytes with its terminator; one
// read takes at most 0x9FFF bytes.
constexpr size_t kRxCapacity = 40960;
constexpr size_t kRxReadMax = 0x9FFF;
// Between the described reads the channel is polled this often, so a wait
// ends within this time of its answer; each poll is probe traffic, so not
// more often.
constexpr uint32_t kRttPollMs = 50;

class RttReceiver {
public:
    // `logReads`: every read's text also goes to the log.
    explicit RttReceiver(Tool& t, bool logReads = false) : t_(t), logReads_(logReads) {}
    void Clear() { text_.clear(); }
    const std::string& Text() const { return text_; }
    bool Has(const char* token) const { return text_.find(token) != std::string::npos; }
    // Appends what the channel holds (up to the buffer's room for one read);
    // Returns the library's count.
    int ReadMore(size_t limit = kRxReadMax);
    // The library's count of the last read (negative: an error).
    int lastCount = 0;

private:
    Tool& t_;
    bool logReads_;
    std::string text_;
};

using RttStop = std::function<bool(const RttReceiver&)>;

// Up to `reads` reads `intervalMs` apart (the first at once); true as soon
// as `stop` holds. The channel is polled every kRttPollMs in between, never
// past the time of the last described read.
bool PollReads(Tool& t, RttReceiver& rx, int reads, uint32_t intervalMs, const RttStop& stop);

// Rounds of a long device operation: read, and unless `stop` holds, wait
// `roundMs` and run `afterWait(round)` (its progress line). An answer that
// comes during a wait ends it at once, after that round's line; during the
// last round's wait nothing more is read.
bool ReadRounds(Tool& t, RttReceiver& rx, int rounds, uint32_t roundMs, const RttStop& stop,
                const std::function<void(int round)>& afterWait);

// Writes a command; true when the library took all of it.
bool RttWrite(Tool& t, const std::string& text);

// Reads and logs whatever is pending until a read gives nothing.
void RttDrain(Tool& t);

// Sends a command and waits for its OK or FAIL text; true on OK.
bool RttCommand(Tool& t, RttReceiver& rx, const std::string& command, const char* okText, const char* failText,
                uint32_t waitMs);

// Starts the RTT terminal (control block at `blockAddress` when not 0) and
// waits for the device's buffers; logs and closes the session on failure.
bool ConnectRtt(Tool& t, const RttStartRecord* start);

// StartRamLoader: resets the core, puts the RAM loader image into RAM, runs
// it and connects the RTT terminal to it.
bool StartRamLoader(Tool& t);

}  // namespace quenlo
