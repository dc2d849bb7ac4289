#pragma once
// The station's DEFLATE encoder for images the RAM loader expands: its
// inflater keeps only 8 KiB of history, so no match may reach further back.
// Made for whole blocks in memory (up to 2 MiB): lazy matching over hash
// chains, Huffman blocks of a few thousand symbols so the codes follow the
// image's code and data regions.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace station {

// The farthest match: the 8 KiB window less the longest match and its
// look-ahead, as zlib's encoder keeps it with the same window.
inline constexpr uint32_t kSmallWindowMaxDistance = 8192 - 262;

// A raw DEFLATE stream (no zlib or gzip wrapper) of `size` bytes.
std::vector<uint8_t> DeflateSmallWindow(const uint8_t* data, size_t size);

}  // namespace station
