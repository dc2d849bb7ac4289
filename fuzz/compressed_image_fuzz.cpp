// The compressed-image walk accepts only files whose blocks lie inside them,
// one after the other.
#include "common/compressed_image.h"
#include "require.h"

using fuzz_support::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    common::CompressedImage image;
    std::string error;
    if (!common::ParseCompressedImage(data, size, image, error)) {
        Require(!error.empty());
        return 0;
    }
    Require(image.blocks.size() == image.blockCount);
    size_t next = common::kCompressedHeaderSize;
    uint64_t rawSum = 0;
    for (const auto& block : image.blocks) {
        Require(block.offset == next);
        Require(block.sizeWithHeader == common::kCompressedBlockHeaderSize + block.storedLength);
        Require(block.offset + block.sizeWithHeader <= size);
        next = block.offset + block.sizeWithHeader;
        rawSum += block.rawLength;
    }
    Require(rawSum == image.totalLength);
    return 0;
}
