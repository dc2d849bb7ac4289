#include "common/burn_list.h"

#include "common/print_log.h"

namespace common {

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

// Placeholder until the list reader lands.
bool GetBurnList(const std::string&, const std::string&, BurnList&) { return false; }
bool GetBurnListPath(const std::string&, const std::string&, BurnList&) { return false; }
bool HexToBin(BurnItem&) { return false; }

}  // namespace common
