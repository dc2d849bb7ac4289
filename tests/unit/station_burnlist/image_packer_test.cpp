#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/compressed_image.h"
#include "common/image_crc.h"
#include "devsim/model/gzip_block.h"
#include "station/engine/burnlist/image_packer.h"
#include "station/engine/burnlist/packed_copy.h"
#include "tests/support/image_packer.h"
#include "tests/unit/common/test_files.h"

namespace {

using common_test::TempDir;
constexpr size_t kBlock = 0x200000;

// Firmware-like bytes: short code-like patterns with small variations, so
// that DEFLATE finds matches near and far.
std::vector<uint8_t> Compressible(size_t n, uint32_t seed = 7) {
    std::vector<uint8_t> data(n);
    uint32_t x = seed;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = (x >> 28) < 12 ? uint8_t(i % 64) : uint8_t(x >> 16);
    }
    return data;
}

std::vector<uint8_t> Noise(size_t n, uint32_t seed = 99) {
    return testing_support::RepeatingData(n, n, seed);
}

// Walks a packed image as the UART tool does and expands every block as a
// device with an 8 KiB window does; the result must be the image.
void ExpectUnpacksTo(const std::vector<uint8_t>& packed, const std::vector<uint8_t>& image) {
    common::CompressedImage parsed;
    std::string error;
    ASSERT_TRUE(common::ParseCompressedImage(packed.data(), packed.size(), parsed, error)) << error;
    ASSERT_EQ(parsed.blocks.back().offset + parsed.blocks.back().sizeWithHeader, packed.size());
    EXPECT_EQ(parsed.totalLength, image.size());
    EXPECT_EQ(parsed.crc, common::ImageCrc(image.data(), image.size()));
    std::vector<uint8_t> joined;
    for (const auto& block : parsed.blocks) {
        EXPECT_TRUE(block.rawLength == kBlock || &block == &parsed.blocks.back());
        std::vector<uint8_t> out;
        ASSERT_TRUE(devsim::ExpandImageBlock(block.rawLength, block.crc,
                                             packed.data() + block.offset + common::kCompressedBlockHeaderSize,
                                             block.storedLength, out, error))
            << error;
        joined.insert(joined.end(), out.begin(), out.end());
    }
    EXPECT_EQ(joined, image);
}

// Blocks of every kind in one image: compressible, incompressible (stored as
// it is), data repeating just beyond the loader's window, and a short tail.
// Packing on several threads must give the same bytes as on one.
TEST(ImagePacker, EveryKindOfBlockUnpacksInOrderThroughTheLoadersInflater) {
    std::vector<uint8_t> image = Compressible(kBlock);
    const auto noise = Noise(kBlock);
    const auto far = testing_support::RepeatingData(kBlock, 8 * 1024 + 1);
    image.insert(image.end(), noise.begin(), noise.end());
    image.insert(image.end(), far.begin(), far.end());
    image.push_back(0x5A);

    const auto packed = station::PackImage(image.data(), image.size(), 3);
    ExpectUnpacksTo(packed, image);
    EXPECT_EQ(packed, station::PackImage(image.data(), image.size(), 1));

    common::CompressedImage parsed;
    std::string error;
    ASSERT_TRUE(common::ParseCompressedImage(packed.data(), packed.size(), parsed, error));
    ASSERT_EQ(parsed.blockCount, 4u);
    EXPECT_LT(parsed.blocks[0].storedLength, kBlock * 3 / 4);
    EXPECT_EQ(parsed.blocks[1].storedLength, kBlock);  // not smaller: kept as it is
    EXPECT_EQ(parsed.blocks[3].rawLength, 1u);
    // A one-byte tail does not shrink; a stream as long as the bytes would read as raw.
    EXPECT_EQ(parsed.blocks[3].storedLength, 1u);
    // Every stream is made of dynamic Huffman blocks (BTYPE 2 after BFINAL).
    EXPECT_EQ((packed[parsed.blocks[0].offset + 12] >> 1) & 3, 2);
}

// The size rule: 0x1FFFFF bytes are never packed, 0x200000 give one block,
// a copy that saves less than 15 % is removed and only the plain image stays.
TEST(PackedCopy, OnlyImagesOfABlockOrMoreThatShrinkEnoughArePacked) {
    TempDir dir;
    const auto small = dir.Write("small.bin", Compressible(kBlock - 1));
    EXPECT_FALSE(station::PreparePackedCopy(small).listed);

    const auto oneBlock = Compressible(kBlock);
    const auto exact = dir.Write("exact.bin", oneBlock);
    const auto packed = station::PreparePackedCopy(exact);
    ASSERT_TRUE(packed.listed);
    EXPECT_EQ(packed.path, exact + "_gzip");
    const std::string bytes = dir.Read("exact.bin_gzip");
    ExpectUnpacksTo(std::vector<uint8_t>(bytes.begin(), bytes.end()), oneBlock);
    EXPECT_EQ(common::ReadLe32(reinterpret_cast<const uint8_t*>(bytes.data()) + 4), 1u);

    // Noise with a run of zeros: packing saves about 11 % or 19 %.
    for (size_t zeros : {kBlock / 9, kBlock / 5}) {
        std::vector<uint8_t> poor = Noise(kBlock);
        std::fill(poor.begin(), poor.begin() + long(zeros), 0);
        const auto poorPath = dir.Write("poor.bin", poor);
        EXPECT_EQ(station::PreparePackedCopy(poorPath).listed, zeros == kBlock / 5);
        std::remove((poorPath + "_gzip").c_str());
    }
    EXPECT_TRUE(station::PackedSizeWorthKeeping(85, 100));
    EXPECT_FALSE(station::PackedSizeWorthKeeping(86, 100));

    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"exact.bin", "exact.bin_gzip", "poor.bin", "small.bin"}));
}

// An existing copy of the same image is used as it stands; a copy left from
// another image (or cut short) is replaced, never listed.
TEST(PackedCopy, ExistingCopyIsUsedOnlyWhenItIsOfThisImage) {
    TempDir dir;
    const auto image = Compressible(kBlock + 100);
    const auto path = dir.Write("app.bin", image);
    const auto own = testing_support::PackImage(image);  // another encoder's bytes, same image
    dir.Write("app.bin_gzip", own);
    EXPECT_TRUE(station::PreparePackedCopy(path).listed);
    EXPECT_EQ(dir.Read("app.bin_gzip"), std::string(own.begin(), own.end()));

    for (const auto& stale : {testing_support::PackImage(Compressible(kBlock + 100, 8)),
                              std::vector<uint8_t>(own.begin(), own.end() - 1)}) {
        dir.Write("app.bin_gzip", stale);
        const auto outcome = station::PreparePackedCopy(path);
        ASSERT_TRUE(outcome.listed);
        EXPECT_FALSE(outcome.note.empty());
        const std::string bytes = dir.Read("app.bin_gzip");
        ExpectUnpacksTo(std::vector<uint8_t>(bytes.begin(), bytes.end()), image);
    }

    // The image changed into one that does not pack: the old copy goes.
    dir.Write("app.bin", Noise(kBlock + 100));
    EXPECT_FALSE(station::PreparePackedCopy(path).listed);
    EXPECT_FALSE(dir.Exists("app.bin_gzip"));
}

}  // namespace
