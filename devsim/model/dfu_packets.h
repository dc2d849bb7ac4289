#pragma once
#include <cstdint>

namespace devsim {

// dfu_recv packet types and sizes.
constexpr uint16_t kDfuKey = 0x0A03;
constexpr uint16_t kDfuFirst = 0x0901;
constexpr uint16_t kDfuNext = 0x0902;
constexpr uint16_t kDfuEnd = 0x0904;
constexpr uint32_t kDfuFirstPayload = 328;
constexpr uint32_t kDfuNextPayloadMax = 548;
// A loader image's last bytes after the full packets, when this few, are never sent.
constexpr uint32_t kDfuUnsentTailMax = 36;
// A dfu packet whose bytes stop coming for this long is dropped.
constexpr uint32_t kDfuStallMs = 1000;

}  // namespace devsim
