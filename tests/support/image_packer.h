#pragma once
// Compressed image files and blocks made with zlib's encoder rather than the
// station's, for tests that need streams the station never writes: another
// encoder's valid bytes, blocks forced raw, hand-assembled files and a
// stream whose references reach too far. Images as the station packs them
// come from station::PackImage.
//
// A file is a 12-byte header (total length, block count, ImageCrc of the
// image), then per block of at most 0x200000 uncompressed bytes a 12-byte
// header (uncompressed length, stored length, ImageCrc of the block) and the
// block data: raw DEFLATE made with an 8 KiB window (zlib deflateInit2
// windowBits -13), or the bytes themselves when compressing does not shrink
// the block.
//
// BadWindowBlock() makes a deliberately wrong stream: DEFLATE with a 32 KiB
// window over data that repeats at a distance of 20 KiB, so its
// back-references reach further than a device's 8 KiB window.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/image_crc.h"

namespace testing_support {

constexpr uint32_t kPackBlockSize = 0x200000;

inline void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int k = 0; k < 4; ++k) out.push_back(uint8_t(v >> (8 * k)));
}

inline uint32_t GetLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Raw DEFLATE of `data` with the given window (windowBits 8..15).
inline std::vector<uint8_t> RawDeflate(const uint8_t* data, size_t n, int windowBits = 13, int level = 9) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::vector<uint8_t> out(deflateBound(&z, uLong(n)) + 16);
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(n);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = deflate(&z, Z_FINISH);
    const size_t produced = out.size() - z.avail_out;
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
    out.resize(produced);
    return out;
}

// One block with its 12-byte header. `stored` is the block data as sent
// (compressed, or raw when stored.size() == raw.size()).
inline std::vector<uint8_t> BlockWithHeader(const std::vector<uint8_t>& raw, const std::vector<uint8_t>& stored,
                                            uint32_t crc) {
    std::vector<uint8_t> out;
    PutLe32(out, uint32_t(raw.size()));
    PutLe32(out, uint32_t(stored.size()));
    PutLe32(out, crc);
    out.insert(out.end(), stored.begin(), stored.end());
    return out;
}

// A block of zlib's DEFLATE with an 8 KiB window, or raw when that does not
// shrink it.
inline std::vector<uint8_t> PackBlock(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> stored = RawDeflate(raw.data(), raw.size(), 13);
    if (stored.size() >= raw.size()) stored = raw;
    return BlockWithHeader(raw, stored, common::ImageCrc(raw.data(), raw.size()));
}

// A block stored raw (stored length == uncompressed length).
inline std::vector<uint8_t> RawBlock(const std::vector<uint8_t>& raw) {
    return BlockWithHeader(raw, raw, common::ImageCrc(raw.data(), raw.size()));
}

// Data of `n` bytes whose content repeats at `distance` (pseudo-random
// inside one period, so only far matches compress it).
inline std::vector<uint8_t> RepeatingData(size_t n, size_t distance, uint32_t seed = 12345) {
    std::vector<uint8_t> data(n);
    uint32_t x = seed;
    for (size_t i = 0; i < n; ++i) {
        if (i < distance) {
            x = x * 1103515245u + 12345u;
            data[i] = uint8_t(x >> 16);
        } else {
            data[i] = data[i - distance];
        }
    }
    return data;
}

// A block whose DEFLATE stream has back-references 20 KiB long: made with
// a 32 KiB window, so a device with an 8 KiB window must reject it. Its
// header (length, CRC) is right.
inline std::vector<uint8_t> BadWindowBlock(size_t n = 64 * 1024, size_t distance = 20 * 1024) {
    const std::vector<uint8_t> raw = RepeatingData(n, distance);
    const std::vector<uint8_t> stored = RawDeflate(raw.data(), raw.size(), 15);
    return BlockWithHeader(raw, stored, common::ImageCrc(raw.data(), raw.size()));
}

// A whole compressed image file of `image`, in zlib's bytes.
inline std::vector<uint8_t> PackImage(const std::vector<uint8_t>& image) {
    std::vector<uint8_t> out;
    const uint32_t blocks = uint32_t((image.size() + kPackBlockSize - 1) / kPackBlockSize);
    PutLe32(out, uint32_t(image.size()));
    PutLe32(out, blocks);
    PutLe32(out, common::ImageCrc(image.data(), image.size()));
    for (size_t offset = 0; offset < image.size(); offset += kPackBlockSize) {
        const size_t n = std::min<size_t>(kPackBlockSize, image.size() - offset);
        const std::vector<uint8_t> raw(image.begin() + long(offset), image.begin() + long(offset + n));
        const std::vector<uint8_t> block = PackBlock(raw);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

// A compressed image file made of ready blocks (for bad-stream tests).
inline std::vector<uint8_t> ImageOfBlocks(const std::vector<std::vector<uint8_t>>& blocks, uint32_t totalLength,
                                          uint32_t crc) {
    std::vector<uint8_t> out;
    PutLe32(out, totalLength);
    PutLe32(out, uint32_t(blocks.size()));
    PutLe32(out, crc);
    for (const auto& b : blocks) out.insert(out.end(), b.begin(), b.end());
    return out;
}

}  // namespace testing_support
