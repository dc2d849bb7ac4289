#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

// How the RAM loader expands one block of a compressed image:
// stored length == raw length means raw bytes; anything else is a raw
// DEFLATE stream that is inflated as a device with an 8 KiB window must:
// zlib inflateInit2(-13) streaming into a small output piece that is copied
// out after every call, so that zlib's window is all the history there is
// and a back-reference further than 8 KiB (plus at most one piece) fails
// with "invalid distance too far back".
constexpr int kInflateWindowBits = 13;
constexpr size_t kInflateOutputPiece = 512;
constexpr uint32_t kMaxBlockRaw = 0x200000;
constexpr size_t kBlockHeaderSize = 12;

// Expands a block; on failure `error` says why (and `out` is unspecified).
bool ExpandImageBlock(uint32_t rawLength, uint32_t crc, const uint8_t* stored, uint32_t storedLength,
                      std::vector<uint8_t>& out, std::string& error);

}  // namespace devsim
