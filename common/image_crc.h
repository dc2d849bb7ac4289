#pragma once
#include <cstddef>
#include <cstdint>

namespace common {

// CRC-32 (reflected 0xEDB88320) with the register starting at 0 and no final
// inversion, the checksum the loader computes over images. Pass the previous
// result as `crc` to continue over a following piece.
uint32_t ImageCrc(const uint8_t* data, size_t length, uint32_t crc = 0);

}  // namespace common
