#include "station/engine/burnlist/image_packer.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "common/compressed_image.h"
#include "common/image_crc.h"
#include "station/engine/burnlist/small_window_deflate.h"

namespace station {
namespace {

struct PackedBlock {
    uint32_t rawLength = 0;
    uint32_t crc = 0;
    std::vector<uint8_t> deflated;  // empty: stored as it is
};

PackedBlock PackBlock(const uint8_t* data, size_t size) {
    PackedBlock block;
    block.rawLength = uint32_t(size);
    block.crc = common::ImageCrc(data, size);
    block.deflated = DeflateSmallWindow(data, size);
    // A stored length equal to the unpacked length means raw bytes to the
    // loader, so a stream that is not smaller must not be kept.
    if (block.deflated.size() >= size) block.deflated.clear();
    return block;
}

}  // namespace

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
