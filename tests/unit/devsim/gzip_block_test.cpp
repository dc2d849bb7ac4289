#include <gtest/gtest.h>

#include "common/image_crc.h"
#include "devsim/model/gzip_block.h"
#include "station/engine/burnlist/image_packer.h"
#include "tests/support/image_packer.h"
#include "tests/unit/devsim/device_harness.h"

namespace ts = testing_support;
using devsim_test::Harness;
using devsim_test::Hex;

namespace {

std::vector<uint8_t> Text(size_t n) {
    std::vector<uint8_t> v;
    const std::string words = "norva factory station block ";
    while (v.size() < n) v.push_back(uint8_t(words[v.size() % words.size()] + (v.size() / 4096) % 3));
    return v;
}

// Sends a compressed image the way the tool does: one write per block after each RX_WAIT.
std::string SendImage(Harness& h, uint32_t address, const std::vector<uint8_t>& file) {
    const uint32_t blocks = ts::GetLe32(file.data() + 4);
    std::string replies = h.Send("burn_erase_write_gzip " + Hex(address) + " " + Hex(blocks) + "\r");
    size_t offset = 12;
    for (uint32_t b = 0; b < blocks; ++b) {
        const size_t size = 12 + ts::GetLe32(file.data() + offset + 4);
        replies += h.Send(std::vector<uint8_t>(file.begin() + long(offset), file.begin() + long(offset + size)));
        offset += size;
    }
    return replies;
}

}  // namespace

TEST(DevsimGzipBlock, GoodBlockInflates) {
    const auto raw = Text(100000);
    const auto block = ts::PackBlock(raw);
    ASSERT_LT(block.size(), raw.size());
    std::vector<uint8_t> out;
    std::string error;
    ASSERT_TRUE(devsim::ExpandImageBlock(uint32_t(raw.size()), common::ImageCrc(raw.data(), raw.size()),
                                         block.data() + 12, uint32_t(block.size() - 12), out, error))
        << error;
    EXPECT_EQ(out, raw);
}

TEST(DevsimGzipBlock, BackReferenceBeyondEightKiBIsRejected) {
    const auto block = ts::BadWindowBlock();
    const uint32_t raw = ts::GetLe32(block.data());
    const uint32_t stored = ts::GetLe32(block.data() + 4);
    ASSERT_LT(stored, raw);  // it did compress, by far references
    // The same stream is fine for an inflater with a 32 KiB window.
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(devsim::ExpandImageBlock(raw, ts::GetLe32(block.data() + 8), block.data() + 12, stored, out, error));
    EXPECT_NE(error.find("too far"), std::string::npos) << error;
}

TEST(DevsimGzipBlock, CrcMismatchIsRejected) {
    const auto raw = Text(5000);
    const auto good = ts::PackBlock(raw);
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(devsim::ExpandImageBlock(uint32_t(raw.size()), common::ImageCrc(raw.data(), raw.size()) ^ 0x100,
                                          good.data() + 12, uint32_t(good.size() - 12), out, error));
    EXPECT_EQ(error, "block CRC mismatch");
}

TEST(DevsimGzipBlock, LengthMismatchAndTruncatedStreamAreRejected) {
    const auto raw = Text(5000);
    const auto block = ts::PackBlock(raw);
    const uint32_t crc = common::ImageCrc(raw.data(), raw.size());
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(devsim::ExpandImageBlock(4000, crc, block.data() + 12, uint32_t(block.size() - 12), out, error));
    EXPECT_FALSE(devsim::ExpandImageBlock(6000, crc, block.data() + 12, uint32_t(block.size() - 12), out, error));
    EXPECT_FALSE(devsim::ExpandImageBlock(5000, crc, block.data() + 12, uint32_t(block.size() - 12) / 2, out, error));
}

TEST(DevsimGzipBlock, StoredRawBlock) {
    const auto raw = ts::RepeatingData(3000, 3000);  // random: does not shrink
    const auto block = ts::PackBlock(raw);
    ASSERT_EQ(ts::GetLe32(block.data() + 4), raw.size());
    std::vector<uint8_t> out;
    std::string error;
    ASSERT_TRUE(devsim::ExpandImageBlock(uint32_t(raw.size()), common::ImageCrc(raw.data(), raw.size()),
                                         block.data() + 12, uint32_t(raw.size()), out, error));
    EXPECT_EQ(out, raw);
}

TEST(DevsimGzipBlock, LoaderWritesACompressedImage) {
    Harness h;
    std::vector<uint8_t> image = Text(0x200000 + 70000);
    const auto file = station::PackImage(image.data(), image.size());
    EXPECT_EQ(SendImage(h, 0x10020000, file), "RX_WAIT\r\nRX_WAIT\r\nOK\r\n");
    std::vector<uint8_t> back;
    h.device.Flash().Read(0x10020000, uint32_t(image.size()), back);
    EXPECT_EQ(back, image);
    const uint32_t crc = common::ImageCrc(image.data(), image.size());
    EXPECT_EQ(h.Send("burn_verify 0x10020000 " + Hex(uint32_t(image.size())) + " " + Hex(crc) + "\r"), "OK\r\n");
}

TEST(DevsimGzipBlock, LoaderTakesBlocksInPieces) {
    Harness h;
    const auto raw = Text(30000);
    const auto file = station::PackImage(raw.data(), raw.size());
    std::string out = h.Send("burn_erase_write_gzip 0x10000000 0x1\r");
    for (size_t i = 12; i < file.size(); i += 5)
        out += h.Send(std::vector<uint8_t>(file.begin() + long(i), file.begin() + long(std::min(file.size(), i + 5))));
    EXPECT_EQ(out, "RX_WAIT\r\nOK\r\n");
}

TEST(DevsimGzipBlock, LoaderRejectsFarReferencesAndBadCrc) {
    {
        Harness h;
        const auto bad = ts::BadWindowBlock();
        const auto file = ts::ImageOfBlocks({bad}, ts::GetLe32(bad.data()), 0);
        EXPECT_EQ(SendImage(h, 0x10000000, file), "RX_WAIT\r\nFail\r\n");
        EXPECT_EQ(h.Send("burn_noerase\r"), "OK\r\n");  // text commands again
    }
    {
        Harness h;
        const auto raw = Text(9000);
        auto block = ts::PackBlock(raw);
        block[8] ^= 0xFF;  // header CRC
        const auto file = ts::ImageOfBlocks({block}, uint32_t(raw.size()), 0);
        EXPECT_EQ(SendImage(h, 0x10000000, file), "RX_WAIT\r\nFail\r\n");
    }
}

TEST(DevsimGzipBlock, LoaderWritesARawStoredBlock) {
    Harness h;
    const auto raw = ts::RepeatingData(4000, 4000);
    const auto file = ts::ImageOfBlocks({ts::RawBlock(raw)}, uint32_t(raw.size()), common::ImageCrc(raw.data(), raw.size()));
    EXPECT_EQ(SendImage(h, 0x64000000, file), "RX_WAIT\r\nOK\r\n");
    std::vector<uint8_t> back;
    h.device.Flash().Read(0x64000000, uint32_t(raw.size()), back);
    EXPECT_EQ(back, raw);
}
