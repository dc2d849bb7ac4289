#include "platform/clock.h"

#include <chrono>

#include "platform/stop_signal.h"

namespace platform {
namespace {

class SteadyClock : public Clock {
public:
    uint64_t NowUs() override {
        using namespace std::chrono;
        return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
    }
    // A requested stop cuts the sleep short; the caller decides what follows.
    void SleepMs(uint32_t ms) override { SleepUnlessStopped(ms); }
};

}  // namespace

Clock& SystemClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace platform
