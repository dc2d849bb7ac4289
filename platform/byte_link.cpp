#include "platform/byte_link.h"

#include "platform/stop_signal.h"

namespace platform {

bool ByteLink::WaitReadable(Clock& clock, uint32_t timeoutMs) {
    const uint64_t endUs = clock.NowUs() + uint64_t(timeoutMs) * 1000;
    while (true) {
        if (QueuedBytes() > 0) return true;
        if (StopRequested() || clock.NowUs() >= endUs) return false;
        clock.SleepMs(1);
    }
}

}  // namespace platform
