#pragma once
// Waiting for bytes from a boot loader: the station only ever reads what the
// driver has already queued, polling every 20 ms.
#include <functional>
#include <string>
#include <string_view>

#include "platform/byte_link.h"
#include "platform/clock.h"

namespace station {

inline constexpr int kBootPollMs = 20;
// The receive buffer holds at most 1999 bytes.
inline constexpr size_t kBootBufferBytes = 1999;

using StopCheck = std::function<bool()>;

// Waits for `pattern` without a time limit: true when it came, false when
// `stop` said so. Bytes that can no longer begin the pattern are dropped, so
// a device that prints forever never fills the buffer.
bool WaitForBanner(platform::ByteLink& link, platform::Clock& clock, std::string_view pattern, const StopCheck& stop);
// The same, starting from the bytes in `held` (what an earlier read already
// took off the port, perhaps the first piece of a split banner).
bool WaitForBanner(platform::ByteLink& link, platform::Clock& clock, std::string_view pattern, const StopCheck& stop,
                   std::string& held);

// Waits for `pattern` for at most timeMs / 10 polls (so 1000 ms takes up to
// 100 polls of 20 ms): true when it came.
bool WaitForBytes(platform::ByteLink& link, platform::Clock& clock, std::string_view pattern, int timeMs);

}  // namespace station
