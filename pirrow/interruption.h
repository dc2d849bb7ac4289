#pragma once
#include "platform/clock.h"

namespace pirrow {

// Thrown at the next wait once SIGINT or SIGTERM asked the tool to stop;
// the run flow catches it, leaves the device as well as it can and fails.
struct JobInterrupted {};

// Throws JobInterrupted when a stop was requested.
void ThrowIfStopped();

// The session's clock: every pause of a job is a place where it may stop.
class StoppableClock : public platform::Clock {
public:
    explicit StoppableClock(platform::Clock& base) : base_(base) {}
    uint64_t NowUs() override { return base_.NowUs(); }
    void SleepMs(uint32_t ms) override;
    // The clock underneath, for the few waits that must not stop.
    platform::Clock& base() { return base_; }

private:
    platform::Clock& base_;
};

}  // namespace pirrow
