#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station/engine/burnlist/download_address_search.h"
#include "station/engine/burnlist/package_files.h"
#include "station/engine/burnlist/ram_loader_check.h"
#include "station/engine/settings/station_settings.h"
#include "unit/common/test_files.h"
#include "unit/station_burnlist/station_root.h"

namespace {

using common_test::TempDir;
using station::AddressedFile;

class AddressTest : public burnlist_test::StationRoot {
protected:
    AddressedFile File(const std::string& name, const std::string& search) {
        return {package.Path(name), station::ParseFileSearch(search), "old"};
    }

    TempDir package;
};

std::string Image(uint32_t resetVector) {
    std::string bytes(16, '\0');
    for (int k = 0; k < 4; ++k) bytes[4 + k] = char(resetVector >> (8 * k));
    return bytes;
}

TEST_F(AddressTest, EveryKindFindsItsAddressInThePackage) {
    // kq0_ap.map wins over hcpu.map; the address sits at the text's column.
    package.Write("hcpu.map", "  Load Region LR_IROM1 (Base: 0x99999999, Size: 0x1)\n");
    package.Write("kq0_ap.map",
                  "  Load Region LR_IROM1 (Base: 0x10020000, Size: 0x00100000, Max: 0x00200000)\n"
                  "  Execution Region LR_IROM2 (Base: 0x77777777)\n"
                  "  Load Region LR_IROM2 (Base: 0x10200000, Size: 0x1)\n"
                  "  Load Region LR_IROM2 (Base: 0x10300000, Size: 0x1)\n"
                  "  Load Region LR_XIP_LRBIN (Base: 0x10400000, Size: 0x1)\n"
                  " Load Region LR_FONT (Base: 0x60000000, Size: 0x1)\n");
    package.Write("lcpu.map", "  Load Region LR_IROM2 (Base: 0x12000400, Size: 0x1)\r\n");
    package.Write("lcpu_rom_patch.hex", ":020000041C0ED0\n:10200000000102030405060708090A0B0C0D0E0F68\n");
    package.Write("boot.bin", Image(0x10020145));
    package.Write("low.bin", Image(0x00000FFF));

    std::vector<AddressedFile> files = {
        File("ER_IROM1.bin", "muti>Load Region LR_IROM1 (Base:||Load Region LR_XIP_LRBIN (Base:"),
        File("ER_IROM2.bin", "Load Region LR_IROM2 (Base:"),  // the first line wins
        File("font.bin", "Load Region LR_FONT (Base:"),       // one blank short: the fixed column is off by one
        File("lcpu_flash.bin", "lcpu>Load Region LR_IROM2 (Base:"),
        File("lcpu_rom_patch.bin", "readhex"),
        File("boot.bin", "readfile"),
        File("low.bin", "readfile"),
        File("other.bin", ""),
    };
    EXPECT_TRUE(station::SearchDownloadAddresses(package.path(), files));
    const std::vector<std::string> expected = {"0x10400000", "0x10200000", "x60000000,", "0x12000400",
                                               "0x1C0E2000", "0x10020000", "old",        "old"};
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(files[i].address, expected[i]) << files[i].path;
    EXPECT_EQ(LogText(), "获取下载地址 成功\n");
}

// The page lists the configured files of a package: those with a search
// get their address from it, the others keep the configured one.
TEST_F(AddressTest, ListingAPackageSearchesTheAddressesOfItsFiles) {
    root.Write("Torvane.ini",
               "[FILE_SET]\nFILE_NUM=2\nFILE_NAME_0=boot.bin\nFILE_ADDR_0=0x1\nFILE_SEARCH_0=readfile\n"
               "FILE_NAME_1=other.bin\nFILE_ADDR_1=0x10090000\n");
    package.Write("boot.bin", Image(0x10020145));
    package.Write("other.bin", Image(0x10020145));
    const auto rows = station::ListPackageFiles(station::StationSettings(root.path()), package.path());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].address, "0x10020000");
    EXPECT_EQ(rows[1].address, "0x10090000");
    EXPECT_EQ(LogText(), "获取下载地址 成功\n");
}

TEST_F(AddressTest, MissingMapsOrHexTwinFailTheSearch) {
    std::vector<AddressedFile> files = {File("ER_IROM2.bin", "Load Region LR_IROM2 (Base:"),
                                        File("lcpu_flash.bin", "lcpu>Load Region LR_IROM2 (Base:"),
                                        File("patch.bin", "readhex")};
    EXPECT_FALSE(station::SearchDownloadAddresses(package.path(), files));
    EXPECT_EQ(files[0].address, "old");
    EXPECT_EQ(LogText(), "无法打开 hcpu map 文件 !\n无法打开 lcpu map 文件 !00:00:00:000  [0] can not open: " + package.Path("patch.hex") +
                             "\n获取下载地址 失败\n");
}

// Confirming the parameter page: a loader for the chosen UART rate, and no
// QM2A over J-Link. The check itself logs nothing: the message it returns is
// shown, and showing it logs it, once.
TEST_F(AddressTest, RamLoaderChoiceIsCheckedForTheRateAndInterface) {
    struct Case {
        const char* ini;
        const char* message;
    };
    const Case cases[] = {
        {"PORT_TYPE=1\n[UART_FILTER]\nBAUND=6000000\n[UART_DRIVER]\nQM2A_NAND=ram_patch_2A.bin\n", ""},
        {"PORT_TYPE=1\n[UART_FILTER]\nBAUND=6000000\n[UART_DRIVER_8M]\nQM2A_NAND=ram_patch_2A_8M.bin\n",
         "未找到对应的串口驱动，请确认!"},
        {"PORT_TYPE=1\n[UART_FILTER]\nBAUND=6000001\n[UART_DRIVER]\nQM2A_NAND=ram_patch_2A.bin\n",
         "未找到8M波特率的驱动，请设置6M以内波特率!"},
        {"PORT_TYPE=1\n[UART_FILTER]\nBAUND=8000000\n[UART_DRIVER_8M]\nQM2A_NAND=ram_patch_2A_8M.bin\n", ""},
        {"PORT_TYPE=0\n[UART_DRIVER]\nQM2A_NAND=ram_patch_2A.bin\n", "x QM2A 只支持串口方式控制"},
    };
    for (const auto& c : cases) {
        ClearLog();
        root.Write("Torvane.ini", std::string("[DEV_SET]\nDEV_NAME0=QM2A_NAND\n[COMMON_SET]\n") + c.ini);
        EXPECT_EQ(station::CheckRamLoaderChoice(station::StationSettings(root.path())), c.message) << c.ini;
        EXPECT_EQ(LogText(), "") << c.ini;
    }
}

}  // namespace
