#pragma once
#include <cstdint>

namespace platform {

// Every protocol wait goes through this interface so that tests can run the
// waits on virtual time instead of the wall clock.
class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic time in microseconds (the high-resolution counter).
    virtual uint64_t NowUs() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
    uint64_t NowMs() { return NowUs() / 1000; }
};

// The real monotonic clock.
Clock& SystemClock();

// A clock that only moves when someone sleeps on it; used by unit tests.
class VirtualClock : public Clock {
public:
    uint64_t NowUs() override { return nowUs_; }
    void SleepMs(uint32_t ms) override { nowUs_ += uint64_t(ms) * 1000; }
    void AdvanceUs(uint64_t us) { nowUs_ += us; }

private:
    uint64_t nowUs_ = 0;
};

}  // namespace platform
