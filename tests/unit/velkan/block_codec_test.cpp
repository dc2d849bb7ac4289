#include <gtest/gtest.h>

#include <random>

#include "velkan/config_grids.h"
#include "velkan/user_config_block.h"
#include "velkan_fixtures.h"

namespace {

using namespace velkan;
using velkan_test::BlockText;
using velkan_test::ImageWithBlock;
using velkan_test::SampleBlock;

uint32_t Word(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 | uint32_t(uint8_t(bytes[at + 2])) << 16 |
           uint32_t(uint8_t(bytes[at + 3])) << 24;
}

TEST(BlockCodec, EveryFieldAtItsOffsetLittleEndian) {
    UserConfigBlock block = SampleBlock();
    block.reserved = 0x1234;
    block.pins[11] = {2, 0xfe, 1, 0x77};
    block.flash[11] = {0, 5, 0xbeef, 1, 2, 3, 4, 0x89abcdef};
    const std::string b = BlockText(block);
    ASSERT_EQ(b.size(), 224u);
    EXPECT_EQ(Word(b, 0), 0xABCDDBCAu);
    EXPECT_EQ(Word(b, 4), 0xFFFF0002u);
    EXPECT_EQ(Word(b, 8), 0x00020005u);  // pinMask, flashMask
    EXPECT_EQ(Word(b, 12), 0x12340001u); // pmicEnable, reserved
    EXPECT_EQ(b.substr(16, 4), std::string("\x01\x07\x01\x00", 4));
    EXPECT_EQ(b.substr(16 + 44, 4), std::string("\x02\xfe\x01\x77", 4));
    EXPECT_EQ(b.substr(64 + 12, 8), std::string("\x01\x03\x00\x00\xc8\x40\x18\x02", 8));
    EXPECT_EQ(Word(b, 64 + 12 + 8), 0x01000000u);
    EXPECT_EQ(b.substr(64 + 132, 8), std::string("\x00\x05\xef\xbe\x01\x02\x03\x04", 8));
    EXPECT_EQ(Word(b, 64 + 132 + 8), 0x89abcdefu);
    EXPECT_EQ(b.substr(208, 12), std::string("\x01\x0c\x00\x0d\x01\x00\x01\x00\x00\x01\x01\x00", 12));
    EXPECT_EQ(Word(b, 220), 0xABCDDBCAu);
}

TEST(BlockCodec, AnyBytesDecodeAndEncodeUnchanged) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        BlockBytes bytes;
        for (auto& byte : bytes) byte = uint8_t(random());
        EXPECT_EQ(EncodeBlock(DecodeBlock(bytes.data())), bytes);
    }
}

TEST(FindUserConfig, FirstWholeBlockBeforeTheLastByte) {
    const UserConfigBlock block = SampleBlock();
    // Two blocks: the first is taken.
    std::string twice = ImageWithBlock(block, 100) + ImageWithBlock(block, 3);
    EXPECT_EQ(FindUserConfig(reinterpret_cast<const uint8_t*>(twice.data()), twice.size()), 100u);
    // Ending exactly at the end of the image: not found; one byte more: found.
    std::string atEnd = ImageWithBlock(block, 5, 0);
    EXPECT_FALSE(FindUserConfig(reinterpret_cast<const uint8_t*>(atEnd.data()), atEnd.size()));
    atEnd += 'x';
    EXPECT_EQ(FindUserConfig(reinterpret_cast<const uint8_t*>(atEnd.data()), atEnd.size()), 5u);
    // A block alone (224 bytes) is no image.
    std::string alone = BlockText(block);
    EXPECT_FALSE(FindUserConfig(reinterpret_cast<const uint8_t*>(alone.data()), alone.size()));
    // Header and version without the tail are skipped, even overlapping the
    // real block, at any alignment.
    std::string decoy = ImageWithBlock(block, 0, 0);
    decoy[220] = 0;
    std::string image = "\x01" + decoy.substr(0, 60) + ImageWithBlock(block, 1);
    EXPECT_EQ(FindUserConfig(reinterpret_cast<const uint8_t*>(image.data()), image.size()), 62u);
}

ConfigGrids FilledGrids() {
    ConfigGrids grids;
    EXPECT_FALSE(ShowBlock(SampleBlock(), grids));
    return grids;
}

TEST(BuildBlockFromGrids, ShownBlockBuildsBackToTheSameBytes) {
    const ConfigGrids grids = FilledGrids();
    EXPECT_TRUE(grids.pinOn && grids.pmicOn && grids.flashOn);
    EXPECT_EQ(grids.pins[2].type, "PBR");
    EXPECT_EQ(grids.pins[2].pin, "31");
    EXPECT_EQ(grids.flash[1].type, "NAND");
    EXPECT_EQ(grids.flash[1].id0, "c8");
    EXPECT_EQ(grids.flash[1].size, "1000000");
    EXPECT_EQ(grids.scl.type, "PB");
    EXPECT_EQ(grids.sda.type, "PA");
    UserConfigBlock built;
    ASSERT_FALSE(BuildBlockFromGrids(grids, built));
    EXPECT_EQ(EncodeBlock(built), EncodeBlock(SampleBlock()));
}

TEST(BuildBlockFromGrids, CellTextsAndSwitches) {
    ConfigGrids grids = FilledGrids();
    grids.pinOn = false;          // values kept, mask 0
    grids.pins[4].type = "";      // empty type is PBR
    grids.pins[4].pin = "300";    // truncated to a byte
    grids.pins[5].pin = "";       // empty, not in use: 0
    grids.flash[0].size = "100000";
    grids.flash[2].size = "zz";
    grids.flash[3].type = "nor";  // only "NOR" is NOR
    grids.flash[3].cmd = "";
    grids.pmicOn = false;
    grids.scl.pin = "";           // no error while PMIC is off
    UserConfigBlock built;
    ASSERT_FALSE(BuildBlockFromGrids(grids, built));
    EXPECT_EQ(built.pinMask, 0);
    EXPECT_EQ(built.pins[0].pin, 7);
    EXPECT_EQ(built.pins[4].port, 2);
    EXPECT_EQ(built.pins[4].pin, 300 & 0xff);
    EXPECT_EQ(built.pins[5].pin, 0);
    EXPECT_EQ(built.flash[0].memSize, 0x00100000u);
    EXPECT_EQ(built.flash[2].memSize, 0u);
    EXPECT_EQ(built.flash[3].type, 1);
    EXPECT_EQ(built.pmicEnable, 0);
    EXPECT_EQ(built.sclPin, 0);
    EXPECT_EQ(built.sdaPin, 13);
    EXPECT_EQ(built.flashMask, 2);
}

TEST(BuildBlockFromGrids, FirstEmptyCellOfARowInUseIsTheError) {
    struct Case {
        void (*edit)(ConfigGrids&);
        const char* message;
    };
    const Case cases[] = {
        {[](ConfigGrids& g) { g.pins[0].pin = ""; }, "0 line pin value error !"},
        {[](ConfigGrids& g) { g.scl.pin = ""; g.sda.pin = ""; }, "pmic scl pin value error !"},
        {[](ConfigGrids& g) { g.sda.pin = ""; }, "pmic sda pin value error !"},
        {[](ConfigGrids& g) { g.flash[3].selected = true; g.flash[3].size = ""; }, "3 line flash mem_size value error !"},
        {[](ConfigGrids& g) { g.flash[1].id1 = ""; g.flash[1].flag = ""; }, "1 line flash id1 value error !"},
        {[](ConfigGrids& g) { g.flash[11].selected = true; g.flash[11].id0 = ""; }, "11 line flash id0 value error !"},
        {[](ConfigGrids& g) { g.flash[1].id2 = ""; }, "1 line flash id2 value error !"},
        {[](ConfigGrids& g) { g.flash[1].flag = ""; }, "1 line flash flag value error !"},
        // Pins come before the flash rows.
        {[](ConfigGrids& g) { g.flash[1].id0 = ""; g.pins[2].pin = ""; }, "2 line pin value error !"},
    };
    for (const Case& c : cases) {
        ConfigGrids grids = FilledGrids();
        c.edit(grids);
        UserConfigBlock built;
        EXPECT_EQ(BuildBlockFromGrids(grids, built).value_or("built"), c.message);
    }
    // The same empty SIZE in an unchecked row builds with size 0.
    ConfigGrids grids = FilledGrids();
    grids.flash[3].size = "";
    UserConfigBlock built;
    EXPECT_FALSE(BuildBlockFromGrids(grids, built));
    EXPECT_EQ(built.flash[3].memSize, 0u);
}

TEST(ShowBlock, BlockWithoutItsMarkersLeavesTheGrids) {
    ConfigGrids grids = FilledGrids();
    UserConfigBlock bad = SampleBlock();
    bad.tail = 0x11223344;
    bad.pinMask = 0;
    EXPECT_EQ(ShowBlock(bad, grids).value_or(""), "file flag error: 0xabcddbca 0x11223344 0xffff0002!");
    EXPECT_TRUE(grids.pinOn);
}

}  // namespace
