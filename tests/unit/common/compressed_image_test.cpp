#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/compressed_image.h"

namespace {

using common::WriteLe32;

struct Block {
    uint32_t rawLength;
    uint32_t storedLength;
    size_t bytesPresent;
};

std::vector<uint8_t> File(uint32_t total, uint32_t count, const std::vector<Block>& blocks) {
    std::vector<uint8_t> f(12);
    WriteLe32(&f[0], total);
    WriteLe32(&f[4], count);
    WriteLe32(&f[8], 0xC0FFEE);
    for (const auto& b : blocks) {
        size_t at = f.size();
        f.resize(at + 12 + b.bytesPresent, 0x5A);
        WriteLe32(&f[at], b.rawLength);
        WriteLe32(&f[at + 4], b.storedLength);
        WriteLe32(&f[at + 8], 0x1234);
    }
    return f;
}

bool Parse(const std::vector<uint8_t>& f, common::CompressedImage& image, std::string& error) {
    return common::ParseCompressedImage(f.data(), f.size(), image, error);
}

TEST(CompressedImage, WalksEveryBlock) {
    auto f = File(0x200000 + 10, 2, {{0x200000, 300, 300}, {10, 10, 10}});
    common::CompressedImage image;
    std::string error;
    ASSERT_TRUE(Parse(f, image, error)) << error;
    EXPECT_EQ(image.totalLength, 0x200000u + 10);
    EXPECT_EQ(image.crc, 0xC0FFEEu);
    ASSERT_EQ(image.blocks.size(), 2u);
    EXPECT_EQ(image.blocks[0].offset, 12u);
    EXPECT_EQ(image.blocks[0].sizeWithHeader, 312u);
    EXPECT_EQ(image.blocks[1].offset, 324u);
    EXPECT_EQ(image.blocks[1].storedLength, 10u);
    EXPECT_EQ(image.blocks[1].crc, 0x1234u);
}

TEST(CompressedImage, LengthsPastTheEndAreRejected) {
    struct Case {
        std::vector<uint8_t> file;
        std::string error;
    };
    const std::vector<Case> cases = {
        {std::vector<uint8_t>(11), "header shorter than 12 bytes"},
        {File(10, 2, {{10, 10, 10}}), "block 1 header past the end of the file"},
        {File(10, 0xFFFFFFFF, {{10, 10, 10}}), "block 1 header past the end of the file"},
        {File(10, 1, {{10, 11, 10}}), "block 0 data past the end of the file"},
        {File(10, 1, {{10, 0xFFFFFFFF, 10}}), "block 0 data past the end of the file"},
        {File(11, 1, {{10, 10, 10}}), "block lengths do not add up to the image length"},
    };
    for (const auto& c : cases) {
        common::CompressedImage image;
        std::string error;
        EXPECT_FALSE(Parse(c.file, image, error));
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
