#include "common/burn_list.h"

#include "common/compressed_image.h"
#include "common/file_util.h"
#include "common/image_crc.h"
#include "common/image_file.h"
#include "common/ini_profile.h"
#include "common/parse_number.h"
#include "common/print_log.h"
#include "platform/paths.h"

namespace common {
namespace {

constexpr const char* kDefaultSigKey = "sig_pub.der";

bool HasHexSuffixText(const std::string& path) {
    return path.find(".hex") != std::string::npos || path.find(".HEX") != std::string::npos;
}

bool ReadEntryFile(BurnItem& item, const BurnListFiles& files) {
    ImageRead read = files.readImage(item.path, item.data);
    if (read == ImageRead::CantOpen) PrintLog(false, "file: %s can't open\n", item.path.c_str());
    item.size = uint32_t(item.data.size());
    return read == ImageRead::Ok;
}

// A compressed image is sent block by block as stored, so every length in
// it must stay inside the file before anything goes to the device.
bool ReadCompressedEntry(BurnItem& item, uint32_t& progressTotal, const BurnListFiles& files) {
    if (!ReadEntryFile(item, files)) return false;
    CompressedImage image;
    std::string error;
    if (!ParseCompressedImage(item.data.data(), item.data.size(), image, error)) {
        PrintLog(false, "X compressed image %s: %s\n", item.path.c_str(), error.c_str());
        return false;
    }
    item.crc = image.crc;
    item.compressed = true;
    progressTotal += image.totalLength;
    return true;
}

bool ReadPlainEntry(BurnItem& item, uint32_t& progressTotal, const BurnListFiles& files) {
    if (HasHexSuffixText(item.path) && !files.convertHex(item)) return false;
    if (!ReadEntryFile(item, files)) return false;
    item.crc = ImageCrc(item.data.data(), item.data.size());
    progressTotal += item.size;
    return true;
}

bool ReadEntry(const std::string& listText, int n, BurnItem& item, uint32_t& progressTotal,
               const BurnListFiles& files) {
    const std::string index = std::to_string(n);
    item.address = ParseNumber(IniTextReadString(listText, "FILEINFO", "ADDR" + index));
    item.path = IniTextReadString(listText, "FILEINFO", "FILEGZIP" + index);
    if (!item.path.empty()) return ReadCompressedEntry(item, progressTotal, files);
    item.path = IniTextReadString(listText, "FILEINFO", "FILE" + index);
    return ReadPlainEntry(item, progressTotal, files);
}

}  // namespace

std::string RamLoaderFileName(const std::string& deviceType) {
    auto has = [&](const char* s) { return deviceType.find(s) != std::string::npos; };
    auto variant = [&](const char* model) {
        std::string base = std::string("ram_patch_") + model;
        if (has("_NAND")) return base + "_NAND.bin";
        if (has("_SD")) return base + "_SD.bin";
        return base + ".bin";
    };
    if (deviceType.empty() || has("QM2B")) return has("_SD") ? "ram_patch_SD.bin" : "ram_patch.bin";
    if (has("QM2E")) return variant("2E");
    if (has("QM2C")) return variant("2C");
    if (has("QM2A")) return variant("2A");
    return "";
}

BurnListFiles FileSystemBurnListFiles() { return {ReadImageFile, HexToBin}; }

bool GetBurnList(const std::string& fileArg, const std::string& deviceType, BurnList& list) {
    const std::string listPath = platform::FromCurrentDirectory(fileArg);
    std::string why;
    if (!FileReadable(listPath, why)) PrintLog(false, "X cannot open burn list %s: %s\n", fileArg.c_str(), why.c_str());
    std::vector<uint8_t> bytes;  // a list that cannot be read has no entries
    if (!ReadWholeFile(listPath, bytes)) bytes.clear();
    return ParseBurnList(std::string(bytes.begin(), bytes.end()), deviceType, list, FileSystemBurnListFiles());
}

bool ParseBurnList(const std::string& listText, const std::string& deviceType, BurnList& list,
                   const BurnListFiles& files) {
    list.items.clear();
    list.progressTotal = 0;
    const int count = IniTextReadInt(listText, "FILEINFO", "NUM", 0);
    if (count <= 0) {
        PrintLog(false, "error: no file found \n");
        return false;
    }
    if (count > kMaxBurnItems) {
        PrintLog(false, "error: too many files > %d \n", kMaxBurnItems);
        return false;
    }
    // Built aside, so a failed list never leaves half its images behind.
    std::vector<BurnItem> items(static_cast<size_t>(count));
    uint32_t progressTotal = 0;
    for (int n = 0; n < count; ++n) {
        if (!ReadEntry(listText, n, items[size_t(n)], progressTotal, files)) return false;
    }
    list.items = std::move(items);
    list.progressTotal = progressTotal;

    list.ramLoaderPath = IniTextReadString(listText, "UART_PRESET", "RAM_PATCH");
    if (list.ramLoaderPath.empty()) list.ramLoaderPath = RamLoaderFileName(deviceType);
    PrintLog(false, "RAM_PATCH: %s\n", list.ramLoaderPath.c_str());
    list.sigKeyPath = IniTextReadString(listText, "UART_PRESET", "SIG_PUB");
    if (list.sigKeyPath.empty()) list.sigKeyPath = kDefaultSigKey;
    PrintLog(false, "SIG_PUB: %s\n", list.sigKeyPath.c_str());
    return true;
}

}  // namespace common
