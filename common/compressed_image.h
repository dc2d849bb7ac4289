#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace common {

// One block of a compressed image file: a 12-byte header (uncompressed
// length, stored length, ImageCrc of the uncompressed bytes) and its data.
struct CompressedBlock {
    size_t offset = 0;          // of the header in the file
    size_t sizeWithHeader = 0;  // 12 + stored length
    uint32_t rawLength = 0;
    uint32_t storedLength = 0;
    uint32_t crc = 0;
};

struct CompressedImage {
    uint32_t totalLength = 0;  // uncompressed image
    uint32_t blockCount = 0;
    uint32_t crc = 0;  // ImageCrc of the uncompressed image
    std::vector<CompressedBlock> blocks;
};

constexpr size_t kCompressedHeaderSize = 12;
constexpr size_t kCompressedBlockHeaderSize = 12;
constexpr uint32_t kCompressedBlockRawSize = 0x200000;

// Walks the file's header and blocks; every length must stay inside the
// file. On failure `error` says what is wrong.
bool ParseCompressedImage(const uint8_t* data, size_t size, CompressedImage& image, std::string& error);

uint32_t ReadLe32(const uint8_t* p);
void WriteLe32(uint8_t* p, uint32_t v);

}  // namespace common
