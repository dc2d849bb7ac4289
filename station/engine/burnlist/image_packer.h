#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace station {

// A packed image in the compressed image format the UART tool sends as it
// stands: a header (unpacked length, block count, ImageCrc of the image),
// then one block per 0x200000 unpacked bytes (the last one shorter), each
// with its unpacked length, stored length and ImageCrc. A block holds a raw
// DEFLATE stream that the RAM loader expands with an 8 KiB window, or, when
// that would not be smaller, its bytes as they are. The streams come from
// DeflateSmallWindow.
//
// Blocks are independent, so they are compressed in parallel, `threads` at a
// time (0: one per core), and laid out in order.
std::vector<uint8_t> PackImage(const uint8_t* image, size_t size, unsigned threads = 0);

// The packed copy pays for the loader's expansion only when it is at most
// 0.85 of the unpacked size, headers included.
bool PackedSizeWorthKeeping(size_t packedSize, size_t imageSize);

}  // namespace station
