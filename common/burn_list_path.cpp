#include <array>

#include "common/burn_list.h"
#include "common/compressed_image.h"
#include "common/hex_record.h"
#include "common/image_crc.h"
#include "common/image_file.h"
#include "common/line_reader.h"
#include "common/map_file.h"
#include "common/print_log.h"
#include "platform/paths.h"

namespace common {
namespace {

// Where a row of the build-directory table takes its flash address from.
enum class AddressFrom {
    ImageWord,      // the image's second word
    MainMap,        // the main map, first matching line
    MainMapOrXip,   // the main map; the XIP region wins over the plain one
    LcpuMap,        // lcpu.map
    HexBeside,      // the .hex file of the same name
};

struct PathImageRow {
    AddressFrom from;
    uint32_t defaultAddress;
    const char* fileName;
    const char* altName;     // nullptr: none
    const char* region;      // map pattern of the region
    const char* xipRegion;   // MainMapOrXip only: the pattern that wins
};

constexpr std::array<PathImageRow, 16> kPathImageTable{{
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

// An image whose second word is above this is placed at that word, 4 KiB aligned.
constexpr uint32_t kImageWordMinimum = 4095;
constexpr size_t kHexLineChars = 299;

struct RowAddress {
    uint32_t address = 0;
    bool settled = false;
};
using RowAddresses = std::array<RowAddress, kPathImageTable.size()>;

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

void ReadMaps(const std::string& dir, RowAddresses& rows) {
    auto main = [&](const std::string& line) { ScanMainMapLine(line, rows); };
    if (!ForEachLoadRegionLine(platform::JoinPath(dir, "kq0_ap.map"), main) &&
        !ForEachLoadRegionLine(platform::JoinPath(dir, "hcpu.map"), main))
        PrintLog(false, "无法打开 hcpu map 文件!\n");
    ForEachLoadRegionLine(platform::JoinPath(dir, "lcpu.map"),
                          [&](const std::string& line) { ScanLcpuMapLine(line, rows); });
}

// The image's file in the directory: its name, else its alternative name; empty when neither exists.
std::string ExistingImagePath(const std::string& dir, const PathImageRow& row) {
    std::string path = platform::JoinPath(dir, row.fileName);
    if (platform::FileExists(path)) return path;
    if (row.altName) {
        path = platform::JoinPath(dir, row.altName);
        if (platform::FileExists(path)) return path;
    }
    return {};
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

void ReadHexAddresses(const std::string& dir, RowAddresses& rows) {
    for (size_t i = 0; i < kPathImageTable.size(); ++i) {
        if (kPathImageTable[i].from != AddressFrom::HexBeside) continue;
        std::string image = ExistingImagePath(dir, kPathImageTable[i]);
        if (image.empty()) continue;
        HexLoadAddress(image.substr(0, image.size() - 4) + ".hex", rows[i].address);
    }
}

// Reads the row's image (name, else alternative name). False only when
// memory ran out; a row without a file leaves `item` without a path.
bool LoadRowImage(const std::string& dir, const PathImageRow& row, BurnItem& item) {
    for (const char* name : {row.fileName, row.altName}) {
        if (!name) continue;
        item.path = platform::JoinPath(dir, name);
        ImageRead read = ReadImageFile(item.path, item.data);
        if (read == ImageRead::NoMemory) return false;
        if (read == ImageRead::Ok) return true;
    }
    item.path.clear();
    return true;
}

}  // namespace

bool GetBurnListPath(const std::string& imageDir, const std::string& deviceType, BurnList& list) {
    list.items.clear();
    list.progressTotal = 0;
    RowAddresses rows;
    for (size_t i = 0; i < kPathImageTable.size(); ++i) rows[i].address = kPathImageTable[i].defaultAddress;
    ReadMaps(imageDir, rows);
    ReadHexAddresses(imageDir, rows);

    std::vector<BurnItem> items;
    uint32_t progressTotal = 0;
    for (size_t i = 0; i < kPathImageTable.size(); ++i) {
        BurnItem item;
        if (!LoadRowImage(imageDir, kPathImageTable[i], item)) return false;
        if (item.path.empty()) continue;
        item.size = uint32_t(item.data.size());
        item.crc = ImageCrc(item.data.data(), item.data.size());
        item.address = rows[i].address;
        if (kPathImageTable[i].from == AddressFrom::ImageWord && item.size >= 8) {
            uint32_t word = ReadLe32(item.data.data() + 4);
            if (word > kImageWordMinimum) item.address = word & ~0xFFFu;
        }
        progressTotal += item.size;
        items.push_back(std::move(item));
    }
    if (items.empty()) {
        PrintLog(false, "error: no file found \n");
        return false;
    }
    list.items = std::move(items);
    list.progressTotal = progressTotal;

    const std::string loaderDir = platform::JoinPath(platform::CurrentDirectory(), "file");
    const std::string loaderName = RamLoaderFileName(deviceType);
    if (!loaderName.empty()) list.ramLoaderPath = platform::JoinPath(loaderDir, loaderName);
    list.sigKeyPath = platform::JoinPath(loaderDir, "sig_pub.der");
    PrintLog(false, "RAM_PATCH: %s\n", list.ramLoaderPath.c_str());
    PrintLog(false, "SIG_PUB: %s\n", list.sigKeyPath.c_str());
    for (size_t i = 0; i < list.items.size(); ++i) {
        const BurnItem& item = list.items[i];
        PrintLog(false, "file%d:%s  addr:0x%x  len: 0x%x\n", int(i + 1), item.path.c_str(), item.address, item.size);
    }
    return true;
}

}  // namespace common
