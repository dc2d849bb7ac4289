#include "devsim/serial/line_pump.h"

#include <algorithm>
#include <cstdio>

namespace devsim_serial {

namespace {

// A pseudo-terminal hands over at most its line buffer (about 4 KiB) per
// read, so a read of at least this much shows a sender still busy, even
// when more was due after a late wake-up.
constexpr size_t kBusyRead = 2048;
// The least a busy line sleeps: bytes queued behind a full read reach the
// line buffer a moment later.
constexpr uint64_t kMinWakeUs = 100;

}  // namespace

bool LinePump::Step() {
    const platform::PseudoTerminal::Use use = pty_.PollUse();
    line_.OnLineUse(use.opened, use.holders);
    devsim::Device* device = line_.Current();
    const int lineBaud = pty_.LineBaud();
    const size_t n = ReadDue(device ? device->Baud() : devsim::kLoaderBaud);
    if (device) {
        device->SetLineBaud(lineBaud);
        if (n > 0) {
            device->OnBytes(buffer_.data(), n);
            line_.OnBytesReceived();
        } else {
            device->OnTick();
        }
        std::vector<uint8_t> fresh = device->TakeOutput();
        if (pendingAt_ == pending_.size()) {
            pending_ = std::move(fresh);
            pendingAt_ = 0;
        } else {
            pending_.insert(pending_.end(), fresh.begin(), fresh.end());
        }
    }
    WriteDue(device);
    // The line goes away for good, as a device pulled from its cable.
    const bool disconnected = device && device->Disconnected();
    if (disconnected) std::fprintf(stderr, "devsim: disconnected (fault)\n");
    line_.Tick();
    if (disconnected) return false;
    Sleep();
    return true;
}

size_t LinePump::ReadDue(int baud) {
    inWaitUs_ = kIdleWakeUs;
    wakeOnInput_ = true;
    size_t allow = buffer_.size();
    if (rateLimit_) allow = std::min(allow, in_.Allowance(clock_.NowUs(), baud));
    long n = allow > 0 ? pty_.ReadNow(buffer_.data(), allow) : 0;
    if (n < 0) {
        wakeOnInput_ = false;  // a failed master polls ready at once: do not spin
        n = 0;
    }
    const size_t got = size_t(n);
    bytesIn_ += got;
    if (!rateLimit_) return got;
    in_.Spend(got);
    if (got < allow && got < kBusyRead) {
        in_.Idle();  // the sender ran dry; its next byte wakes the pump
    } else if (wakeOnInput_) {
        // More waits: sleep until it is due rather than wake for every byte.
        const size_t queued = std::max<size_t>(pty_.QueuedIn(), 1);
        inWaitUs_ = std::clamp(in_.DueUs(queued, baud), kMinWakeUs, kBusyWakeUs);
        wakeOnInput_ = false;
    }
    return got;
}

void LinePump::WriteDue(devsim::Device* device) {
    outWaitUs_ = kIdleWakeUs;
    size_t left = pending_.size() - pendingAt_;
    if (left == 0) {
        out_.Idle();
        return;
    }
    const int baud = device ? device->Baud() : devsim::kLoaderBaud;
    size_t allow = left;
    if (rateLimit_) allow = std::min(allow, out_.Allowance(clock_.NowUs(), baud));
    bool lineFull = false;
    if (allow > 0) {
        uint8_t* at = pending_.data() + pendingAt_;
        // Sent at a rate the other end does not listen at: noise.
        if (device && !device->LineRateMatches()) devsim::ToLineNoise(at, allow);
        const long w = pty_.WriteSome(at, allow);
        const size_t written = w > 0 ? size_t(w) : 0;
        pendingAt_ += written;
        bytesOut_ += written;
        if (rateLimit_) out_.Spend(written);
        lineFull = written < allow;
        left -= written;
    }
    if (left == 0) {
        pending_.clear();
        pendingAt_ = 0;
        out_.Idle();
    } else if (rateLimit_ && !lineFull) {
        outWaitUs_ = std::clamp(out_.DueUs(left, baud), kMinWakeUs, kBusyWakeUs);
    } else {
        outWaitUs_ = kBusyWakeUs;  // the program on the line reads slower than it could
    }
}

void LinePump::Sleep() { pty_.Wait(std::min(inWaitUs_, outWaitUs_), wakeOnInput_); }

}  // namespace devsim_serial
