#include "common/burn_list.h"
#include "common/compressed_image.h"
#include "common/image_crc.h"
#include "common/image_file.h"
#include "common/path_image_table.h"
#include "common/print_log.h"
#include "platform/paths.h"

namespace common {
namespace {

// An image whose second word is above this is placed at that word, 4 KiB aligned.
constexpr uint32_t kImageWordMinimum = 4095;

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
    if (!ReadRowAddresses(imageDir, rows).mainMap) PrintLog(false, "无法打开 hcpu map 文件!\n");

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
