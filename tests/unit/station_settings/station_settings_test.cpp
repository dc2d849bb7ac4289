#include <gtest/gtest.h>

#include <string>

#include "station/engine/settings/station_settings.h"
#include "unit/common/test_files.h"

namespace {

using common_test::TempDir;
using station::StationSettings;
namespace COMMON_SET = station::COMMON_SET;
namespace CALI_SET = station::CALI_SET;

std::string Repeat(const std::string& text, int times) {
    std::string out;
    while (times-- > 0) out += text;
    return out;
}

TEST(StationSettings, MissingFileGivesDefaultsAndStartUpCorrections) {
    TempDir root;
    StationSettings settings(root.path());
    EXPECT_FALSE(settings.IniExists());
    EXPECT_EQ(settings.Read(COMMON_SET::PORT_TYPE), 0);
    EXPECT_EQ(settings.Read(station::BLE_SET::UP_VALUE), 1);
    EXPECT_TRUE(settings.Read(station::LOG_SET::VERIFY_FLAG));
    EXPECT_EQ(settings.Read(station::UART_FILTER::CH_PORT(7)), "");
    EXPECT_EQ(settings.DeviceType(), "");
    EXPECT_EQ(settings.RamLoaderName(""), "");
    bool replaced = false;
    EXPECT_EQ(settings.LoadFuncType(&replaced), 1);
    EXPECT_TRUE(replaced);
    EXPECT_EQ(settings.JLinkSpeed(), 4000);
    EXPECT_EQ(settings.GpsBaud(), 1000000);
    EXPECT_EQ(settings.UartBaud(), 0);
    EXPECT_EQ(settings.DelaySeconds(), 0);
    // Reading never creates the file.
    EXPECT_FALSE(settings.IniExists());
}

TEST(StationSettings, ValuesAreLimitedWhereTheyAreUsed) {
    TempDir root;
    root.Write("Torvane.ini",
               "[COMMON_SET]\r\nFUNC_TYPE=16\r\nTEST_TYPE=1023\r\nBURN_ERASE_TYPE=32\r\nERASE_TYPE=1\r\n"
               "[SWD_FILTER]\r\nBAUND=20000\r\n[LOG_SET]\r\nPOST_ACT=1\r\n"
               "[BLE_SET]\r\nBLE_NAME=abcdefghijklmnopqrstuvwxyz0123456789\r\nBT_NAME=" + Repeat("蓝牙", 20) + "\r\n");
    StationSettings settings(root.path());
    bool replaced = false;
    EXPECT_EQ(settings.LoadFuncType(&replaced), 1);  // 16 has none of the bits 0xF
    EXPECT_TRUE(replaced);
    EXPECT_EQ(settings.LoadTestType(), 0x2FF);
    EXPECT_EQ(settings.LoadEraseMask(5), 0x20);
    EXPECT_EQ(settings.LoadEraseMask(2), 0x1);
    EXPECT_EQ(settings.JLinkSpeed(), 12000);
    EXPECT_EQ(settings.PostAct(1), 1);
    EXPECT_EQ(settings.PostAct(5), 0);
    // Text is cut by characters, never inside one.
    EXPECT_EQ(settings.Read(station::BLE_SET::BLE_NAME), "abcdefghijklmnopqrstuvwxyz012");
    EXPECT_EQ(settings.Read(station::BLE_SET::BT_NAME), Repeat("蓝牙", 14) + "蓝");
    EXPECT_EQ(settings.ReadRaw(station::BLE_SET::BLE_NAME)->size(), 36u);

    root.Write("Torvane.ini", "[SWD_FILTER]\r\nBAUND=3000\r\n[UART_FILTER]\r\nBAUND=3000000\r\n");
    EXPECT_EQ(settings.JLinkSpeed(), 4000);
    EXPECT_EQ(settings.GpsBaud(), 3000000);
}

TEST(StationSettings, StartDelayIsDecimalOrHexadecimalAndAtMostTwentySeconds) {
    TempDir root;
    StationSettings settings(root.path());
    const std::pair<const char*, int> cases[] = {
        {"0x10", 16}, {"25", 20}, {"0", 0}, {"", 0}, {" 7 ", 7}, {"0x0A", 10}, {"abc12", 12},
        {"12abc", 0}, {"00005", 5}, {"99999999999999999999", 20}, {"4294967301", 20}, {"0x100000005", 20},
    };
    for (const auto& [text, seconds] : cases) {
        settings.Write(COMMON_SET::DELAY_SECOND, text);
        EXPECT_EQ(settings.DelaySeconds(), seconds) << text;
    }
}

TEST(StationSettings, RetryLimitAndResetBootAreWrittenWhenAbsent) {
    TempDir root;
    StationSettings settings(root.path());
    EXPECT_EQ(settings.RetryWindowSeconds(), 30);
    EXPECT_EQ(settings.ReadRaw(COMMON_SET::RETRY_LIMIT), "1");
    EXPECT_TRUE(settings.ResetBootEnabled());
    EXPECT_EQ(settings.ReadRaw(COMMON_SET::RESET_BOOT), "1");
    EXPECT_EQ(root.Read("Torvane.ini"), "[COMMON_SET]\r\nRETRY_LIMIT=1\r\nRESET_BOOT=1\r\n");

    settings.Write(COMMON_SET::RETRY_LIMIT, 0);
    settings.Write(COMMON_SET::RESET_BOOT, 0);
    EXPECT_EQ(settings.RetryWindowSeconds(), 10);
    EXPECT_FALSE(settings.ResetBootEnabled());
    settings.Write(COMMON_SET::RETRY_LIMIT, 7);
    EXPECT_EQ(settings.RetryWindowSeconds(), 30);
    EXPECT_EQ(settings.ReadRaw(COMMON_SET::RETRY_LIMIT), "7");
}

TEST(StationSettings, CalibrationPinsGetTheirDefaultsOnce) {
    TempDir root;
    StationSettings settings(root.path());
    EXPECT_EQ(settings.CaliPortNames(), (std::vector<std::string>{"PB08", "PB24"}));
    EXPECT_EQ(root.Read("Torvane.ini"), "[CALI_SET]\r\nCALI_PORT_NUM=2\r\nCALI_PORT_0=PB08\r\nCALI_PORT_1=PB24\r\n");

    root.Write("Torvane.ini", "[CALI_SET]\r\nCALI_PORT_NUM=3\r\nCALI_PORT_0=PA01\r\nCALI_PORT_2=PC07\r\n");
    EXPECT_EQ(settings.CaliPortNames(), (std::vector<std::string>{"PA01", "", "PC07"}));
    EXPECT_EQ(settings.Read(CALI_SET::CALI_PORT_NUM), 3);
}

TEST(StationSettings, RamLoaderDefaultsByDeviceFamily) {
    TempDir root;
    StationSettings settings(root.path());
    std::filesystem::create_directories(root.Path("file"));
    root.Write("file/ram_patch_2E_8M.bin", "x");
    root.Write("Torvane.ini", "[UART_DRIVER]\r\nQM2A_NAND=own_loader.bin\r\n[DEV_SET]\r\nDEV_NUM=2\r\n"
                              "DEV_NAME0=QM2C_NAND\r\nDEV_NAME1=QM2B_SD\r\nDEV_NAME2=QM2B\r\n");
    settings.EnsureRamLoaders();  // the two configured types only
    EXPECT_EQ(settings.Read(station::UART_DRIVER::For("QM2C_NAND")), "ram_patch_2C_NAND.bin");
    EXPECT_FALSE(settings.ReadRaw(station::UART_DRIVER::For("QM2B")));

    const std::pair<const char*, const char*> defaults[] = {
        {"QM2C_NAND", "ram_patch_2C_NAND.bin"}, {"QM2B_SD", "ram_patch_SD.bin"}, {"QM2B", "ram_patch.bin"},
        {"QM2E", "ram_patch_2E.bin"},          {"QM2D_SD", "ram_patch_2D_SD.bin"}, {"QM2A", "ram_patch_2A.bin"},
        {"QM2A_NAND", "own_loader.bin"},       {"OTHER", ""},
    };
    for (const auto& [device, loader] : defaults) {
        settings.EnsureRamLoader(device);
        EXPECT_EQ(settings.Read(station::UART_DRIVER::For(device)), loader) << device;
    }
    // NAND parts of QM2A and QM2C are packed; an existing loader is kept.
    EXPECT_EQ(settings.Read(station::UART_COMPRESS::For("QM2C_NAND")), 1);
    EXPECT_EQ(settings.Read(station::UART_COMPRESS::For("QM2A_NAND")), 1);
    EXPECT_FALSE(settings.ReadRaw(station::UART_COMPRESS::For("QM2E")));
    // An 8M entry only where the fast loader file exists.
    EXPECT_EQ(settings.Read(station::UART_DRIVER_8M::For("QM2E")), "ram_patch_2E_8M.bin");
    EXPECT_FALSE(settings.ReadRaw(station::UART_DRIVER_8M::For("QM2B")));
    EXPECT_FALSE(settings.ReadRaw(station::UART_DRIVER::For("OTHER")));

    // The loader follows the rate: the 8M loader above 6000000 baud.
    settings.Write(station::UART_FILTER::BAUND, 6000000);
    EXPECT_EQ(settings.RamLoaderName("QM2E"), "ram_patch_2E.bin");
    settings.Write(station::UART_FILTER::BAUND, 6000001);
    EXPECT_EQ(settings.RamLoaderName("QM2E"), "ram_patch_2E_8M.bin");
    EXPECT_EQ(settings.RamLoaderName("QM2B"), "");
}

TEST(StationSettings, DeviceTypeAndPerChannelKeys) {
    TempDir root;
    StationSettings settings(root.path());
    root.Write("Torvane.ini", "[DEV_SET]\r\nDEV_NUM=2\r\nDEV_NAME0=QM2B\r\nDEV_NAME1=QM2A_NAND\r\nDEV_IDX=1\r\n");
    EXPECT_EQ(settings.DeviceType(), "QM2A_NAND");
    settings.Write(station::UART_FILTER::CH_PORT(12), "ttyUSB3");
    settings.Write(station::CHAN_SET::CH(3), true);
    settings.Write(station::MACLOCAL_REUSE::CHAN(16), "0123456789AB");
    EXPECT_TRUE(settings.ChannelEnabled(3));
    EXPECT_FALSE(settings.ChannelEnabled(4));
    EXPECT_EQ(root.Read("Torvane.ini"),
              "[DEV_SET]\r\nDEV_NUM=2\r\nDEV_NAME0=QM2B\r\nDEV_NAME1=QM2A_NAND\r\nDEV_IDX=1\r\n"
              "[UART_FILTER]\r\nCH12_PORT=ttyUSB3\r\n[CHAN_SET]\r\nCH3=1\r\n[MACLOCAL_REUSE]\r\nCHAN_16=0123456789AB\r\n");
}

TEST(StationSettings, MacWhiteListTakesAtMostTenEntries) {
    TempDir root;
    StationSettings settings(root.path());
    EXPECT_TRUE(settings.ReadMacWhiteList().entries.empty());
    std::string ini = "[COMMON]\r\nNUM=12\r\n";
    for (int n = 0; n < 12; ++n) ini += "MAC_" + std::to_string(n) + "=" + std::string(size_t(60 + n), 'A') + "\r\n";
    root.Write("MacWlist.ini", ini);
    const station::MacWhiteList list = settings.ReadMacWhiteList();
    EXPECT_TRUE(list.truncated);
    ASSERT_EQ(list.entries.size(), 10u);
    EXPECT_EQ(list.entries[9], std::string(59, 'A'));
}

}  // namespace
