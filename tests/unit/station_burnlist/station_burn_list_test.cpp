#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "station/engine/burnlist/station_burn_list.h"
#include "station/engine/settings/station_settings.h"
#include "unit/common/test_files.h"
#include "unit/station_burnlist/station_root.h"

namespace {

using station::DownloadFile;

// Two-sector-safe HEX text: records of 16 bytes from 0x1000FFF0, the second
// sector continuing where the data ended.
const std::string kContinuingHex =
    ":020000041000EA\n"
    ":10FFF000000102030405060708090A0B0C0D0E0F01\n"
    ":020000041001E9\n"
    ":10000000101112131415161718191A1B1C1D1E1F78\n"
    ":00000001FF\n";
const std::string kTwoSectorHex =
    ":020000041000EA\n"
    ":10000000000102030405060708090A0B0C0D0E0F68\n"
    ":020000041200E8\n"
    ":10000000101112131415161718191A1B1C1D1E1F78\n"
    ":00000001FF\n";

// Firmware-like bytes that pack to well under 85 %.
std::vector<uint8_t> Firmware(size_t n) {
    std::vector<uint8_t> data(n);
    uint32_t x = 5;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = (x >> 28) < 12 ? uint8_t(i % 64) : uint8_t(x >> 16);
    }
    return data;
}

class StationBurnListTest : public burnlist_test::StationRoot {
protected:

    void Settings(const std::string& ini) { root.Write("Torvane.ini", ini); }
    station::BurnListOutcome Generate(const std::vector<DownloadFile>& files) {
        return station::GenerateStationBurnList(station::StationSettings(root.path()), files);
    }
    std::string List() const { return root.Read("temp/ImgBurnList.txt"); }

};

TEST_F(StationBurnListTest, UartListReservesEntryZeroConvertsHexAndListsPackedCopies) {
    Settings("[COMMON_SET]\nPORT_TYPE=1\nEZIP_FLAG=1\n[SN_SET]\nENABLE_FLAG=1\n"
             "[DEV_SET]\nDEV_NUM=1\nDEV_NAME0=QM2C_NAND\nDEV_IDX=0\n[UART_FILTER]\nBAUND=3000000\n"
             "[UART_DRIVER]\nQM2C_NAND=ram_patch_2C_NAND.bin\n[UART_COMPRESS]\nQM2C_NAND=1\n");
    const std::string r = root.path();
    const auto app = root.Write("app.bin", std::string(300, 'a'));
    const auto hex = root.Write("fw.HEX", kContinuingHex);
    const auto big = root.Write("res.bin", Firmware(0x200000));
    const auto skipped = root.Write("old.bin", "x");
    ASSERT_TRUE(Generate({{app, "0x10020000", true},
                          {skipped, "0x10020000", false},
                          {hex, "whatever", true},
                          {big, "0x60000000", true}})
                    .ok);
    EXPECT_EQ(List(), "[FILEINFO]\nFILE0=ble.bin\nADDR0=0x1000e000\n"
                      "FILE1=" + app + "\nADDR1=0x10020000\n"
                      "FILE2=" + r + "/fw_hex2bin.bin\nADDR2=0x1000fff0\n"
                      "FILE3=" + big + "\nADDR3=0x60000000\nFILEGZIP3=" + big + "_gzip\n"
                      "NUM=4\n\n"
                      "[UART_PRESET]\nRAM_PATCH=" + r + "/file/ram_patch_2C_NAND.bin\nSIG_PUB=" + r +
                      "/file/sig_pub.der\n\n");
    EXPECT_EQ(root.Read("fw_hex2bin.bin").size(), 32u);
    EXPECT_TRUE(root.Exists("res.bin_gzip"));
    EXPECT_EQ(LogText(), "生成下载文件列表\n生成下载文件列表成功\n");
}

// Packing needs the compression box, the UART interface, a packable device
// and an image in external flash (above 0x67FFFFFF on QM2B); the J-Link
// section names the factory loader of the device family.
TEST_F(StationBurnListTest, PackingAndLoaderSectionFollowInterfaceAndDevice) {
    const auto big = root.Write("res.bin", Firmware(0x200000));
    struct Case {
        const char* device;
        int port;
        int ezip;
        const char* address;
        bool packed;
        const char* loaderSection;  // after the root: "%s" stands for it
    };
    const Case cases[] = {
        {"QM2B", 1, 1, "0x60000000", false, "[UART_PRESET]\nRAM_PATCH=%s/file/ram_patch.bin\nSIG_PUB=%s/file/sig_pub.der\n\n"},
        {"QM2B", 1, 1, "1744830464", true, "[UART_PRESET]\nRAM_PATCH=%s/file/ram_patch.bin\nSIG_PUB=%s/file/sig_pub.der\n\n"},
        {"QM2E", 1, 0, "0x60000000", false, "[UART_PRESET]\nRAM_PATCH=%s/file/ram_patch_2E.bin\nSIG_PUB=%s/file/sig_pub.der\n\n"},
        {"QM2E", 1, 1, "0x1FFFFFFF", false, "[UART_PRESET]\nRAM_PATCH=%s/file/ram_patch_2E.bin\nSIG_PUB=%s/file/sig_pub.der\n\n"},
        {"QM2E", 0, 1, "0x60000000", false, "[RTT_CALI]\nRAM_PATCH=%s/file/factory_cali_2E.bin\n\n"},
        {"QM2B_SD", 0, 1, "0x10000000", false, "[RTT_CALI]\nRAM_PATCH=%s/file/factory_cali.bin\n\n"},
        {"QM2C", 0, 1, "0x10000000", false, "[RTT_CALI]\nRAM_PATCH=%s/file/factory_cali_2C.bin\n\n"},
        {"QM2A_NAND", 0, 1, "0x10000000", false, "[RTT_CALI]\nRAM_PATCH=%s/file/factory_cali_2A.bin\n\n"},
        {"QM2D", 0, 1, "0x10000000", false, "[RTT_CALI]\n"},
    };
    for (const auto& c : cases) {
        Settings(std::string("[COMMON_SET]\nPORT_TYPE=") + std::to_string(c.port) + "\nEZIP_FLAG=" +
                 std::to_string(c.ezip) + "\n[DEV_SET]\nDEV_NAME0=" + c.device + "\n[UART_COMPRESS]\n" + c.device +
                 "=1\n[UART_DRIVER]\nQM2B=ram_patch.bin\nQM2E=ram_patch_2E.bin\n");
        std::remove((big + "_gzip").c_str());
        ASSERT_TRUE(Generate({{big, c.address, true}}).ok);
        const std::string section = std::regex_replace(c.loaderSection, std::regex("%s"), root.path());
        EXPECT_EQ(List(), "[FILEINFO]\nFILE0=" + big + "\nADDR0=" + c.address + "\n" +
                              (c.packed ? "FILEGZIP0=" + big + "_gzip\n" : "") + "NUM=1\n\n" + section)
            << c.device << " " << c.address;
    }
}

// A missing file, a HEX file with a second sector or a list without entries
// fails and leaves no list behind, neither a cut-down one nor the one made
// before (its settings no longer stand); an unwritable temp directory leaves
// no list at all.
TEST_F(StationBurnListTest, BadInputLeavesNoListBehindAndSaysWhy) {
    Settings("[COMMON_SET]\nPORT_TYPE=1\n[DEV_SET]\nDEV_NAME0=QM2B\n[UART_DRIVER]\nQM2B=ram_patch.bin\n");
    const auto app = root.Write("app.bin", "abc");
    const auto gone = root.Path("gone.bin");
    auto goodListFirst = [&] {
        ASSERT_TRUE(Generate({{app, "0x10020000", true}}).ok);
        ASSERT_TRUE(root.Exists("temp/ImgBurnList.txt"));
    };
    goodListFirst();
    auto outcome = Generate({{app, "0x10020000", true}, {gone, "0x10030000", true}, {app, "0x10040000", true}});
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "can not open: " + gone + "\n");
    EXPECT_FALSE(root.Exists("temp/ImgBurnList.txt"));

    goodListFirst();
    const auto hex = root.Write("two.hex", kTwoSectorHex);
    outcome = Generate({{app, "0x10020000", true}, {hex, "", true}});
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "hex file has muti sector, not support !\n");
    EXPECT_FALSE(root.Exists("temp/ImgBurnList.txt"));
    EXPECT_FALSE(root.Exists("two_hex2bin.bin"));

    goodListFirst();
    outcome = Generate({{app, "0x10020000", false}});
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "x 未选择文件且无工厂数据选择\n");
    EXPECT_FALSE(root.Exists("temp/ImgBurnList.txt"));

    std::filesystem::remove_all(root.Path("temp"));
    root.Write("temp", "not a directory");
    outcome = Generate({{app, "0x10020000", true}});
    EXPECT_FALSE(outcome.ok);
    const std::string cantCreate = "can not create file: " + root.path() + "/temp/ImgBurnList.txt\n";
    EXPECT_EQ(outcome.message, cantCreate);

    const std::string made = "生成下载文件列表\n生成下载文件列表成功\n";
    EXPECT_EQ(LogText(), made + "生成下载文件列表\ncan not open: " + gone + "\n" + made +
                             "生成下载文件列表\nhex file has muti sector, not support !\n" + made +
                             "生成下载文件列表\nx 未选择文件且无工厂数据选择\n生成下载文件列表\n" + cantCreate);
}

}  // namespace
