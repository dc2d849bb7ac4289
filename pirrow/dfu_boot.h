#pragma once
#include <cstdint>
#include <vector>

#include "pirrow/session.h"

namespace pirrow {

// dfu_recv packet types.
constexpr uint16_t kDfuTypeKey = 0x0A03;
constexpr uint16_t kDfuTypeFirst = 0x0901;
constexpr uint16_t kDfuTypeNext = 0x0902;
constexpr uint16_t kDfuTypeEnd = 0x0904;
constexpr size_t kDfuFirstChunk = 328;
constexpr size_t kDfuNextChunk = 548;
// A final remainder this short is not sent (the loader does not need it).
constexpr size_t kDfuMinRemainder = 37;

// Loads the key and the RAM loader into a boot ROM waiting in dfu_recv mode,
// then moves the loader to `targetBaud`.
bool DfuBoot(Session& s, int currentBaud, int targetBaud);

bool download_boot_patch_sigkey(Session& s, const std::vector<uint8_t>& key);
bool download_image(Session& s, const std::vector<uint8_t>& image);

}  // namespace pirrow
