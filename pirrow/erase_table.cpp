#include "pirrow/erase_table.h"

#include "common/text_search.h"

namespace pirrow {

using common::Contains;

namespace {

constexpr int kFirstRegionMs = 60000;
constexpr int kLargeRegionMs = 120000;

EraseStep Region(const char* address, int timeoutMs, int from, int to, const char* command = "burn_erase_all") {
    return {std::string(command) + " " + address + "\r", std::string("erase: ") + address + "\n", timeoutMs, from, to};
}

}  // namespace

std::vector<EraseStep> EraseAllSteps(const std::string& deviceType, EraseAllKind kind) {
    const bool nand = Contains(deviceType, "NAND");
    if (deviceType.empty() || Contains(deviceType, "QM2B"))
        return {Region("0x10000000", kFirstRegionMs, 10, 30), Region("0x64000000", kLargeRegionMs, 30, 95)};
    if (Contains(deviceType, "QM2C"))
        return {Region("0x1c000000", kFirstRegionMs, 10, 30),
                Region(nand ? "0x64000000" : "0x14000000", kLargeRegionMs, 30, 95)};
    if (Contains(deviceType, "QM2E"))
        return {Region("0x1c000000", kFirstRegionMs, 10, 30),
                Region(nand ? "0x64000000" : "0x14000000", kLargeRegionMs, 30, 70),
                Region(nand ? "0x68000000" : "0x18000000", kLargeRegionMs, 70, 95)};
    if (Contains(deviceType, "QM2A")) {
        if (nand) {
            const char* command = kind == EraseAllKind::KeepFactoryArea ? "burn_erase_all_factory" : "burn_erase_all";
            return {Region("0x62000000", kLargeRegionMs, 10, 95, command)};
        }
        return {Region("0x12000000", kLargeRegionMs, 10, 95), Region("0x10000000", kLargeRegionMs, 10, 95)};
    }
    return {};
}

}  // namespace pirrow
