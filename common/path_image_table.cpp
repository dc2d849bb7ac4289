#include "common/path_image_table.h"

#include "common/hex_record.h"
#include "common/line_reader.h"
#include "common/map_file.h"
#include "common/print_log.h"
#include "platform/paths.h"

namespace common {

const std::array<PathImageRow, kPathImageRows> kPathImageTable{{
    {AddressFrom::ImageWord, 0, "ftab_qspi1_sec.bin", "ftab.bin", nullptr, nullptr},
    {AddressFrom::ImageWord, 0, "kq0_ap.bin", "ota_manager.bin", nullptr, nullptr},
    {AddressFrom::ImageWord, 0, "bootloader.bin", nullptr, nullptr, nullptr},
    {AddressFrom::MainMapOrXip, 0, "ER_IROM1.bin", nullptr, "Load Region LR_IROM1 (Base:",
     "Load Region LR_XIP_LRBIN (Base:"},
    {AddressFrom::MainMap, 0, "ER_IROM2.bin", nullptr, "Load Region LR_IROM2 (Base:", nullptr},
    {AddressFrom::MainMap, 0, "ER_IROM3.bin", nullptr, "Load Region LR_IROM3 (Base:", nullptr},
    {AddressFrom::MainMap, 0, "ER_IROM3_TINY.bin", nullptr, "Load Region LR_IROM3_TINY (Base:", nullptr},
    {AddressFrom::MainMap, 0, "ER_IROM4.bin", nullptr, "Load Region LR_IROM4 (Base:", nullptr},
    {AddressFrom::MainMap, 0, "root.bin", nullptr, "Load Region LR_FS_ROOT (Base:", nullptr},
    {AddressFrom::MainMap, 0, "ex.bin", nullptr, "Load Region LR_FS_EX (Base:", nullptr},
    {AddressFrom::MainMap, 0, "sys.bin", nullptr, "Load Region LR_NVM_SYS (Base:", nullptr},
    {AddressFrom::MainMap, 0, "images.bin", nullptr, "Load Region LR_IMAGES (Base:", nullptr},
    {AddressFrom::MainMap, 0, "font.bin", nullptr, "Load Region LR_FONT (Base:", nullptr},
    {AddressFrom::MainMap, 0, "watchface.bin", nullptr, "Load Region LR_WATCHFACE (Base:", nullptr},
    {AddressFrom::LcpuMap, 0x12000000, "lcpu_flash.bin", nullptr, "Load Region LR_IROM2 (Base:", nullptr},
    {AddressFrom::HexBeside, 0x1C0E0000, "lcpu_rom_patch.bin", nullptr, nullptr, nullptr},
}};

namespace {

constexpr size_t kHexLineChars = 299;

void ScanMainMapLine(const std::string& line, RowAddresses& rows) {
    for (size_t i = 0; i < kPathImageTable.size(); ++i) {
        const PathImageRow& row = kPathImageTable[i];
        bool fromMap = row.from == AddressFrom::MainMap || row.from == AddressFrom::MainMapOrXip;
        if (!fromMap || rows[i].settled) continue;
        if (MapRegionBase(line, row.region, rows[i].address) && row.from == AddressFrom::MainMap)
            rows[i].settled = true;
        if (row.xipRegion && MapRegionBase(line, row.xipRegion, rows[i].address)) rows[i].settled = true;
    }
}

void ScanLcpuMapLine(const std::string& line, RowAddresses& rows) {
    for (size_t i = 0; i < kPathImageTable.size(); ++i) {
        if (kPathImageTable[i].from != AddressFrom::LcpuMap || rows[i].settled) continue;
        if (MapRegionBase(line, kPathImageTable[i].region, rows[i].address)) rows[i].settled = true;
    }
}

// The load address of a HEX file: the upper half from its leading type-04
// record, the lower half from the address field of the record after it.
bool HexLoadAddress(const std::string& hexPath, uint32_t& address) {
    LineReader reader(hexPath, kHexLineChars);
    std::string first, second;
    if (!reader.Next(first) || first.rfind(":02000004", 0) != 0) return false;
    uint32_t upper, lower;
    if (!reader.Next(second) || ReadHexField(first, kHexDataPos, 4, upper) != HexField::Ok ||
        ReadHexField(second, kHexAddressPos, 4, lower) != HexField::Ok) {
        PrintLog(false, "%s: no load address in its first two lines, default kept\n", hexPath.c_str());
        return false;
    }
    address = upper * 0x10000u + lower;
    return true;
}

}  // namespace

MapsRead ReadRowAddresses(const std::string& dir, RowAddresses& rows) {
    for (size_t i = 0; i < kPathImageTable.size(); ++i) rows[i] = {kPathImageTable[i].defaultAddress, false};
    MapsRead read;
    auto main = [&](const std::string& line) { ScanMainMapLine(line, rows); };
    read.mainMap = ForEachLoadRegionLine(platform::JoinPath(dir, "kq0_ap.map"), main) ||
                   ForEachLoadRegionLine(platform::JoinPath(dir, "hcpu.map"), main);
    read.lcpuMap = ForEachLoadRegionLine(platform::JoinPath(dir, "lcpu.map"),
                                         [&](const std::string& line) { ScanLcpuMapLine(line, rows); });
    for (size_t i = 0; i < kPathImageTable.size(); ++i) {
        if (kPathImageTable[i].from != AddressFrom::HexBeside) continue;
        std::string image = ExistingImagePath(dir, kPathImageTable[i]);
        if (image.empty()) continue;
        HexLoadAddress(image.substr(0, image.size() - 4) + ".hex", rows[i].address);
    }
    return read;
}

std::string ExistingImagePath(const std::string& dir, const PathImageRow& row) {
    std::string path = platform::JoinPath(dir, row.fileName);
    if (platform::FileExists(path)) return path;
    if (row.altName) {
        path = platform::JoinPath(dir, row.altName);
        if (platform::FileExists(path)) return path;
    }
    return {};
}

}  // namespace common
