#include "station/engine/burnlist/image_packer.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "common/compressed_image.h"
#include "common/image_crc.h"

namespace station {
namespace {

// The RAM loader's inflater keeps 8 KiB of history: no match may reach
// further back than that.
constexpr int kWindowBits = 13;
constexpr int kLevel = 6;     // lazy matching (zlib's slow path)
// 7 ends a Huffman block every 8 Ki symbols instead of 16 Ki: the codes
// follow code and data regions more closely, which packs machine code
// smaller than the default and lets the match search stop earlier at the
// same size (measured by the packing benchmark).
constexpr int kMemLevel = 7;
constexpr int kGoodLength = 8;
constexpr int kMaxLazy = 16;
constexpr int kNiceLength = 96;
constexpr int kMaxChain = 96;

struct PackedBlock {
    uint32_t rawLength = 0;
    uint32_t crc = 0;
    std::vector<uint8_t> deflated;  // empty: stored as it is
};

PackedBlock PackBlock(const uint8_t* data, size_t size) {
    PackedBlock block;
    block.rawLength = uint32_t(size);
    block.crc = common::ImageCrc(data, size);
    block.deflated = DeflateBlock(data, size);
    // A stored length equal to the unpacked length means raw bytes to the
    // loader, so a stream that is not smaller must not be kept.
    if (block.deflated.empty() || block.deflated.size() >= size) block.deflated.clear();
    return block;
}

}  // namespace

std::vector<uint8_t> DeflateBlock(const uint8_t* data, size_t size) {
    z_stream z{};
    if (deflateInit2(&z, kLevel, Z_DEFLATED, -kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    deflateTune(&z, kGoodLength, kMaxLazy, kNiceLength, kMaxChain);
    std::vector<uint8_t> out(deflateBound(&z, uLong(size)));
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) return {};
    return out;
}

bool PackedSizeWorthKeeping(size_t packedSize, size_t imageSize) {
    return uint64_t(packedSize) * 20 <= uint64_t(imageSize) * 17;
}

std::vector<uint8_t> PackImage(const uint8_t* image, size_t size, unsigned threads) {
    const size_t blockCount = (size + common::kCompressedBlockRawSize - 1) / common::kCompressedBlockRawSize;
    std::vector<PackedBlock> blocks(blockCount);
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next++) < blockCount;) {
            const size_t offset = i * common::kCompressedBlockRawSize;
            blocks[i] = PackBlock(image + offset, std::min<size_t>(common::kCompressedBlockRawSize, size - offset));
        }
    };
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < std::min<size_t>(threads, blockCount); ++t) helpers.emplace_back(work);
    work();
    for (auto& helper : helpers) helper.join();

    size_t total = common::kCompressedHeaderSize;
    for (const auto& b : blocks)
        total += common::kCompressedBlockHeaderSize + (b.deflated.empty() ? b.rawLength : b.deflated.size());
    std::vector<uint8_t> packed(total);
    uint8_t* p = packed.data();
    common::WriteLe32(p, uint32_t(size));
    common::WriteLe32(p + 4, uint32_t(blockCount));
    common::WriteLe32(p + 8, common::ImageCrc(image, size));
    p += common::kCompressedHeaderSize;
    for (size_t i = 0; i < blockCount; ++i) {
        const PackedBlock& b = blocks[i];
        const uint8_t* body = b.deflated.empty() ? image + i * common::kCompressedBlockRawSize : b.deflated.data();
        const size_t stored = b.deflated.empty() ? b.rawLength : b.deflated.size();
        common::WriteLe32(p, b.rawLength);
        common::WriteLe32(p + 4, uint32_t(stored));
        common::WriteLe32(p + 8, b.crc);
        std::copy(body, body + stored, p + common::kCompressedBlockHeaderSize);
        p += common::kCompressedBlockHeaderSize + stored;
    }
    return packed;
}

}  // namespace station
