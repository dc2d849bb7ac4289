#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace devsim_serial {

// Bytes a direction may move now at baud / 10 bytes per second. While the
// sender keeps the line busy the wire runs continuously, so bytes due
// during a late wake-up of this loop are still delivered; once the line
// goes idle nothing piles up, since a wire cannot make up for idle time.
class RateBucket {
public:
    size_t Allowance(uint64_t nowUs, int baud) {
        const double perUs = double(baud) / 10.0 / 1e6;
        const double cap = std::max(64.0, perUs * 200000.0);
        if (lastUs_ == 0) lastUs_ = nowUs;
        tokens_ = std::min(cap, tokens_ + double(nowUs - lastUs_) * perUs);
        lastUs_ = nowUs;
        return tokens_ < 1.0 ? 0 : size_t(tokens_);
    }
    void Spend(size_t n) { tokens_ -= double(n); }
    // Nothing is waiting to cross the line.
    void Idle() { tokens_ = std::min(tokens_, 1.0); }
    // Microseconds until one byte is allowed.
    uint64_t WaitUs(int baud) const {
        const double perUs = double(baud) / 10.0 / 1e6;
        return tokens_ >= 1.0 ? 0 : uint64_t((1.0 - tokens_) / perUs) + 1;
    }

private:
    uint64_t lastUs_ = 0;
    double tokens_ = 0;
};

}  // namespace devsim_serial
