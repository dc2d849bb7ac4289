#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace devsim_serial {

// Bytes one direction of the line may move at baud / 10 bytes per second.
// While the sender keeps the line busy the wire runs continuously, so bytes
// due during a late wake-up are still delivered; once the sender ran dry
// nothing accrues until it sends again, since a wire cannot make up for idle
// time.
class RateBucket {
public:
    size_t Allowance(uint64_t nowUs, int baud) {
        const double perUs = PerUs(baud);
        const double cap = std::max(64.0, perUs * 200000.0);
        if (lastUs_ == 0 || idle_) lastUs_ = nowUs;
        idle_ = false;
        tokens_ = std::min(cap, tokens_ + double(nowUs - lastUs_) * perUs);
        lastUs_ = nowUs;
        return tokens_ < 1.0 ? 0 : size_t(tokens_);
    }
    void Spend(size_t n) { tokens_ -= double(n); }
    // The sender has nothing more to send now: the line idles from here until
    // the next Allowance.
    void Idle() {
        tokens_ = std::min(tokens_, 1.0);
        idle_ = true;
    }
    // Microseconds from the last Allowance until `bytes` are allowed.
    uint64_t DueUs(size_t bytes, int baud) const {
        const double missing = double(bytes) - tokens_;
        return missing <= 0 ? 0 : uint64_t(missing / PerUs(baud)) + 1;
    }

private:
    static double PerUs(int baud) { return double(baud) / 10.0 / 1e6; }

    uint64_t lastUs_ = 0;
    double tokens_ = 0;
    bool idle_ = false;
};

}  // namespace devsim_serial
