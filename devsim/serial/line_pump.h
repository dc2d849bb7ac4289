#pragma once
// Moves bytes between the pseudo-terminal and the devices of the line, and
// with --rate-limit no faster than the wire would.
//
// The pump sleeps between wake-ups rather than polling: each wake-up reads
// the line's rate and who holds the line once, moves every byte that is due
// in one read and one write, and then sleeps until the next bytes are due,
// input arrives on an idle line, or kIdleWakeUs passed (device timers, the
// line's rate and the line's holders are looked at that often; well under
// the 10 ms a tool waits after a rate switch before it follows).
#include <cstdint>
#include <vector>

#include "devsim/serial/device_line.h"
#include "devsim/serial/rate_bucket.h"
#include "platform/clock.h"
#include "platform/pseudo_terminal.h"

namespace devsim_serial {

constexpr uint64_t kIdleWakeUs = 4000;
// A busy line is served at least this often: a wake-up per byte would burn
// a core at megabaud rates, and a period this short keeps the bytes due at
// once within what the pseudo-terminal holds.
constexpr uint64_t kBusyWakeUs = 2000;

class LinePump {
public:
    LinePump(platform::PseudoTerminal& pty, DeviceLine& line, platform::Clock& clock, bool rateLimit)
        : pty_(pty), line_(line), clock_(clock), rateLimit_(rateLimit) {}

    // One wake-up; then sleeps until the next is due. False once the line
    // went away for good (a disconnect fault).
    bool Step();

    uint64_t BytesIn() const { return bytesIn_; }
    uint64_t BytesOut() const { return bytesOut_; }

private:
    // Reads the bytes due into buffer_; their count. Sets `inWaitUs_` and
    // `wakeOnInput_` for the sleep that follows, as WriteDue `outWaitUs_`.
    size_t ReadDue(int baud);
    // Writes the device's pending bytes that are due.
    void WriteDue(devsim::Device* device);
    void Sleep();

    platform::PseudoTerminal& pty_;
    DeviceLine& line_;
    platform::Clock& clock_;
    const bool rateLimit_;
    RateBucket in_, out_;
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(65536);
    std::vector<uint8_t> pending_;
    size_t pendingAt_ = 0;
    uint64_t bytesIn_ = 0, bytesOut_ = 0;
    // What the next sleep waits for.
    uint64_t inWaitUs_ = kIdleWakeUs;
    uint64_t outWaitUs_ = kIdleWakeUs;
    bool wakeOnInput_ = true;
};

}  // namespace devsim_serial
