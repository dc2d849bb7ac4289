#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

// One flash region of a device: the tools address it by its base.
struct FlashRegionSpec {
    uint32_t base = 0;
    uint32_t size = 0;
    const char* name = "";
};

// Device type string as the tools pass it ("QM2B", "QM2A_NAND", "QM2C_SD"
// ...); every test on it is a substring search, as in the tools.
//
// Flash layout (all regions read 0xFF when erased):
//   QM2A         0x10000000 16 MiB, 0x12000000 16 MiB
//   QM2A_NAND    0x12000000 16 MiB, 0x62000000 32 MiB (NAND)
//   QM2C, QM2E   0x1C000000 16 MiB, 0x14000000 16 MiB, 0x18000000 16 MiB
//   ... _NAND    0x1C000000 16 MiB, 0x64000000 32 MiB, 0x68000000 32 MiB
//   QM2B, QM2D,  0x10000000 16 MiB, 0x64000000 32 MiB
//   empty, other
class DeviceType {
public:
    DeviceType() = default;
    explicit DeviceType(std::string name);

    const std::string& Name() const { return name_; }
    bool Has(const char* part) const { return name_.find(part) != std::string::npos; }
    bool IsNand() const { return Has("NAND"); }
    bool IsQM2A() const { return Has("QM2A"); }
    bool IsQM2C() const { return Has("QM2C"); }
    const std::vector<FlashRegionSpec>& Regions() const { return regions_; }
    // Boot ROM banner: "NVBL" for QM2A, "Norva" otherwise.
    const char* Banner() const { return IsQM2A() ? "NVBL" : "Norva"; }
    // Application start address of the jump command (0 when the table has none).
    uint32_t FirmwareAddress() const;

private:
    std::string name_;
    std::vector<FlashRegionSpec> regions_;
};

}  // namespace devsim
