#include "pirrow/interruption.h"

#include "platform/stop_signal.h"

namespace pirrow {

void ThrowIfStopped() {
    if (platform::StopRequested()) throw JobInterrupted{};
}

void StoppableClock::SleepMs(uint32_t ms) {
    ThrowIfStopped();
    base_.SleepMs(ms);
    ThrowIfStopped();
}

}  // namespace pirrow
