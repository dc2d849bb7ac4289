#include "common/compressed_image.h"

namespace common {

uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void WriteLe32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

bool ParseCompressedImage(const uint8_t* data, size_t size, CompressedImage& image, std::string& error) {
    image = {};
    if (size < kCompressedHeaderSize) {
        error = "header shorter than 12 bytes";
        return false;
    }
    image.totalLength = ReadLe32(data);
    image.blockCount = ReadLe32(data + 4);
    image.crc = ReadLe32(data + 8);
    size_t offset = kCompressedHeaderSize;
    uint64_t rawSum = 0;
    for (uint32_t i = 0; i < image.blockCount; ++i) {
        if (size - offset < kCompressedBlockHeaderSize) {
            error = "block " + std::to_string(i) + " header past the end of the file";
            return false;
        }
        CompressedBlock block;
        block.offset = offset;
        block.rawLength = ReadLe32(data + offset);
        block.storedLength = ReadLe32(data + offset + 4);
        block.crc = ReadLe32(data + offset + 8);
        if (block.storedLength > size - offset - kCompressedBlockHeaderSize) {
            error = "block " + std::to_string(i) + " data past the end of the file";
            return false;
        }
        block.sizeWithHeader = kCompressedBlockHeaderSize + block.storedLength;
        rawSum += block.rawLength;
        offset += block.sizeWithHeader;
        image.blocks.push_back(block);
    }
    if (rawSum != image.totalLength) {
        error = "block lengths do not add up to the image length";
        return false;
    }
    return true;
}

}  // namespace common
