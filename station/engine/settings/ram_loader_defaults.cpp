// The default RAM loader of each device family, written into the settings for
// device types that have none (the parameter page does this on load).
#include "common/text_search.h"
#include "platform/paths.h"
#include "station/engine/settings/station_settings.h"

namespace station {
namespace {

using common::Contains;

// "ram_patch_<tag>[_NAND|_SD].bin" for the family tags 2A, 2C, 2D and 2E.
std::string VariantLoader(const std::string& device, const char* tag) {
    std::string name = std::string("ram_patch_") + tag;
    if (Contains(device, "_NAND")) return name + "_NAND.bin";
    if (Contains(device, "_SD")) return name + "_SD.bin";
    return name + ".bin";
}

std::string DefaultLoader(const std::string& device) {
    if (Contains(device, "QM2B")) return Contains(device, "_SD") ? "ram_patch_SD.bin" : "ram_patch.bin";
    if (Contains(device, "QM2E")) return VariantLoader(device, "2E");
    if (Contains(device, "QM2C")) return VariantLoader(device, "2C");
    if (Contains(device, "QM2A")) return VariantLoader(device, "2A");
    if (Contains(device, "QM2D")) return VariantLoader(device, "2D");
    return {};
}

// NAND parts of QM2A and QM2C download packed images.
bool PackedByDefault(const std::string& device) {
    return Contains(device, "QM2A_NAND") || Contains(device, "QM2C_NAND");
}

}  // namespace

void StationSettings::EnsureRamLoader(const std::string& device) const {
    if (device.empty()) return;
    std::string loader = Read(UART_DRIVER::For(device));
    if (loader.empty()) {
        loader = DefaultLoader(device);
        if (loader.empty()) return;
        Write(UART_DRIVER::For(device), loader);
    }
    if (PackedByDefault(device)) Write(UART_COMPRESS::For(device), 1);

    if (!Read(UART_DRIVER_8M::For(device)).empty()) return;
    const size_t dot = loader.rfind(".bin");
    if (dot == std::string::npos) return;
    const std::string fast = loader.substr(0, dot) + "_8M.bin" + loader.substr(dot + 4);
    if (platform::FileExists(platform::JoinPath(platform::JoinPath(root_, "file"), fast))) {
        Write(UART_DRIVER_8M::For(device), fast);
    }
}

void StationSettings::EnsureRamLoaders() const {
    const int count = Read(DEV_SET::DEV_NUM);
    for (int n = 0; n < count; ++n) EnsureRamLoader(Read(DEV_SET::DEV_NAME(n)));
}

}  // namespace station
