#include "devsim/model/device_type.h"

namespace devsim {

namespace {
constexpr uint32_t kMiB = 0x100000;
}

DeviceType::DeviceType(std::string name) : name_(std::move(name)) {
    if (IsQM2A()) {
        if (IsNand()) regions_ = {{0x12000000, 16 * kMiB, "lcpu"}, {0x62000000, 32 * kMiB, "nand"}};
        else regions_ = {{0x10000000, 16 * kMiB, "hcpu"}, {0x12000000, 16 * kMiB, "lcpu"}};
    } else if (Has("QM2C") || Has("QM2E")) {
        if (IsNand())
            regions_ = {{0x1C000000, 16 * kMiB, "nor"}, {0x64000000, 32 * kMiB, "nand1"}, {0x68000000, 32 * kMiB, "nand2"}};
        else
            regions_ = {{0x1C000000, 16 * kMiB, "nor"}, {0x14000000, 16 * kMiB, "flash2"}, {0x18000000, 16 * kMiB, "flash3"}};
    } else {
        regions_ = {{0x10000000, 16 * kMiB, "nor"}, {0x64000000, 32 * kMiB, "nand"}};
    }
}

uint32_t DeviceType::FirmwareAddress() const {
    if (name_.empty() || Has("QM2B")) return 0x10020000;
    if (Has("QM2C")) return 0x1c008000;
    if (Has("QM2A")) return IsNand() ? 0x62080000 : 0x120A0000;
    return 0;
}

}  // namespace devsim
