#include "station/engine/boot/boot_wait.h"

#include <algorithm>
#include <string>

namespace station {
namespace {

// Moves what the driver has queued into `held`, up to the buffer's size.
void Receive(platform::ByteLink& link, std::string& held) {
    const size_t room = kBootBufferBytes - held.size();
    const size_t want = std::min(link.QueuedBytes(), room);
    if (want == 0) return;
    std::string chunk(want, '\0');
    const size_t got = link.Read(reinterpret_cast<uint8_t*>(chunk.data()), want);
    held.append(chunk, 0, got);
}

}  // namespace

bool WaitForBanner(platform::ByteLink& link, platform::Clock& clock, std::string_view pattern, const StopCheck& stop) {
    std::string held;
    return WaitForBanner(link, clock, pattern, stop, held);
}

bool WaitForBanner(platform::ByteLink& link, platform::Clock& clock, std::string_view pattern, const StopCheck& stop,
                   std::string& held) {
    if (held.size() > kBootBufferBytes) held.erase(0, held.size() - kBootBufferBytes);
    while (!stop()) {
        Receive(link, held);
        if (held.size() >= pattern.size()) {
            if (held.find(pattern) != std::string::npos) return true;
            // Keep the tail that may still be the start of a split banner.
            held.erase(0, held.size() - pattern.size());
        }
        clock.SleepMs(kBootPollMs);
    }
    return false;
}

bool WaitForBytes(platform::ByteLink& link, platform::Clock& clock, std::string_view pattern, int timeMs) {
    std::string held;
    for (int poll = 0; poll < timeMs / 10; ++poll) {
        Receive(link, held);
        if (held.find(pattern) != std::string::npos) return true;
        clock.SleepMs(kBootPollMs);
    }
    return false;
}

}  // namespace station
