#pragma once
#include <cstddef>
#include <cstdint>

#include "pirrow/session.h"

namespace pirrow {

// Writes a plain image in 128 KiB blocks, each released by the loader's "RX_WAIT".
bool download_image_simple_thread(Session& s, const uint8_t* data, uint32_t size, uint32_t address, uint32_t crc);

// Sends a compressed image file's blocks unchanged; the loader inflates them.
bool download_image_gzip_thread(Session& s, const uint8_t* data, size_t size, uint32_t address);

}  // namespace pirrow
