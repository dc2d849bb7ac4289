#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/burn_list.h"
#include "common/compressed_image.h"
#include "common/map_file.h"
#include "test_files.h"

namespace {

using common_test::LogCapture;
using common_test::ScopedCurrentDirectory;
using common_test::TempDir;

const std::string kIrom2 = "Load Region LR_IROM2 (Base:";

TEST(MapRegionBase, ReadsTheFixedColumnAfterThePattern) {
    uint32_t address = 1;
    EXPECT_TRUE(common::MapRegionBase("  " + kIrom2 + " 0x10200000, Size: 0x00001000\n", kIrom2, address));
    EXPECT_EQ(address, 0x10200000u);
    // One blank less moves the number out of the column: a wrong value, not a guess.
    EXPECT_TRUE(common::MapRegionBase(" " + kIrom2 + " 0x10200000, Size: 0x00001000\n", kIrom2, address));
    EXPECT_EQ(address, 0u);
    EXPECT_TRUE(common::MapRegionBase("  " + kIrom2 + " 268435456 , Size\n", kIrom2, address));
    EXPECT_EQ(address, 268435456u);
    EXPECT_TRUE(common::MapRegionBase("  " + kIrom2, kIrom2, address));  // nothing in the column
    EXPECT_EQ(address, 0u);
    address = 7;
    EXPECT_FALSE(common::MapRegionBase("  Load Region LR_IROM3 (Base: 0x10300000,", kIrom2, address));
    EXPECT_EQ(address, 7u);
}

std::string MapLine(const std::string& region, const std::string& base) {
    return "  Load Region " + region + " (Base: " + base + ", Size: 0x00000400, Max: 0x00100000, ABSOLUTE)\r\n";
}

std::vector<uint8_t> ImageWithSecondWord(uint32_t word) {
    std::vector<uint8_t> image(16, 0xAB);
    common::WriteLe32(&image[4], word);
    return image;
}

struct PathRun {
    bool ok;
    common::BurnList list;
    std::string log;
};

// Runs with the current directory in `dir` so that the loader paths are known.
PathRun ReadDirectory(const TempDir& dir, const std::string& imageDir, const std::string& device = "QM2B") {
    ScopedCurrentDirectory cwd(dir.path());
    LogCapture log(dir);
    common::BurnList list;
    list.ramLoaderPath = "/given/driver.bin";
    bool ok = common::GetBurnListPath(imageDir, device, list);
    return {ok, list, log.Text()};
}

TEST(GetBurnListPath, AddressesFromMapsImageWordsAndHexFile) {
    TempDir dir;
    const std::string img = dir.Path("build");
    ASSERT_EQ(mkdir(img.c_str(), 0755), 0);
    dir.Write("build/hcpu.map", "Memory Map of the image\r\n" + MapLine("LR_XIP_LRBIN", "0x10060000") +
                                    "  Load Region LR_IROM1 (Base: 0x10010000, Size: 0x1)\r\n" +
                                    "  Load Region LR_IROM2 (Base: 0x10200000, Size: 0x1)\r\n" +
                                    "  Load Region LR_IROM2 (Base: 0x10300000, Size: 0x1)\r\n");
    dir.Write("build/lcpu.map", "  Load Region LR_IROM2 (Base: 0x12010000, Size: 0x1)\r\n");
    dir.Write("build/bootloader.bin", ImageWithSecondWord(0x10020145));
    dir.Write("build/ftab.bin", ImageWithSecondWord(4095));
    dir.Write("build/ER_IROM1.bin", std::string(32, 'a'));
    dir.Write("build/ER_IROM2.bin", std::string(8, 'b'));
    dir.Write("build/lcpu_flash.bin", std::string(4, 'c'));
    dir.Write("build/lcpu_rom_patch.bin", std::string(2, 'd'));
    dir.Write("build/lcpu_rom_patch.hex", ":020000041C0FCF\r\n:10200000000102030405060708090A0B0C0D0E0F00\r\n");

    auto r = ReadDirectory(dir, img);
    ASSERT_TRUE(r.ok) << r.log;
    const std::vector<std::pair<std::string, uint32_t>> expected = {
        {"ftab.bin", 0},
        {"bootloader.bin", 0x10020000},
        {"ER_IROM1.bin", 0x10060000},  // the XIP region wins, wherever it stands
        {"ER_IROM2.bin", 0x10200000},  // the first matching line settles it
        {"lcpu_flash.bin", 0x12010000},
        {"lcpu_rom_patch.bin", 0x1C0F2000},
    };
    ASSERT_EQ(r.list.items.size(), expected.size());
    std::string fileLines;
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& item = r.list.items[i];
        EXPECT_EQ(item.path, img + "/" + expected[i].first);
        EXPECT_EQ(item.address, expected[i].second) << expected[i].first;
        char line[512];
        std::snprintf(line, sizeof line, "file%zu:%s  addr:0x%x  len: 0x%x\n", i + 1, item.path.c_str(), item.address,
                      item.size);
        fileLines += line;
    }
    EXPECT_EQ(r.list.progressTotal, 16u + 16u + 32u + 8u + 4u + 2u);
    EXPECT_EQ(r.list.ramLoaderPath, dir.Path("file/ram_patch.bin"));
    EXPECT_EQ(r.list.sigKeyPath, dir.Path("file/sig_pub.der"));
    EXPECT_EQ(r.log, "RAM_PATCH: " + dir.Path("file/ram_patch.bin") + "\nSIG_PUB: " + dir.Path("file/sig_pub.der") +
                         "\n" + fileLines);
}

TEST(GetBurnListPath, LastPlainRegionLineWinsWithoutXipAndKq0MapComesFirst) {
    TempDir dir;
    dir.Write("kq0_ap.map", MapLine("LR_IROM1", "0x10010000") + MapLine("LR_IROM1", "0x10080000"));
    dir.Write("hcpu.map", MapLine("LR_XIP_LRBIN", "0x10060000"));
    dir.Write("ER_IROM1.bin", "x");
    auto r = ReadDirectory(dir, dir.path());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.list.items[0].address, 0x10080000u);
}

TEST(GetBurnListPath, WithoutMapsTheDefaultsStay) {
    TempDir dir;
    dir.Write("lcpu_flash.bin", "c");
    dir.Write("ER_IROM2.bin", "b");
    auto r = ReadDirectory(dir, dir.path(), "QM2C_NAND");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.log.rfind("无法打开 hcpu map 文件!\n", 0), 0u) << r.log;
    EXPECT_EQ(r.list.items[0].address, 0u);
    EXPECT_EQ(r.list.items[1].address, 0x12000000u);
    EXPECT_EQ(r.list.ramLoaderPath, dir.Path("file/ram_patch_2C_NAND.bin"));
}

TEST(GetBurnListPath, EmptyDirectoryFailsAndOtherDevicesKeepTheirLoader) {
    TempDir dir;
    auto none = ReadDirectory(dir, dir.path());
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.log, "无法打开 hcpu map 文件!\nerror: no file found \n");

    dir.Write("root.bin", "r");
    auto other = ReadDirectory(dir, dir.path(), "XYZ");
    ASSERT_TRUE(other.ok);
    EXPECT_EQ(other.list.ramLoaderPath, "/given/driver.bin");
    EXPECT_EQ(other.list.sigKeyPath, dir.Path("file/sig_pub.der"));
}

}  // namespace
