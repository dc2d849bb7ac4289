#include "pirrow/debug_chip_prep.h"

#include "pirrow/debug_access.h"

namespace pirrow {

namespace {

constexpr uint32_t kPowerStatus = 0x40040028;
constexpr uint32_t kSecondCorePowered = 1u << 5;
constexpr uint32_t kHaltDebug = 0xA05F0003;
constexpr uint32_t kPreResetWrites[] = {0x4001400C, 0x500B000C, 0x5004C00C};
constexpr uint32_t kPreResetValue = 0x34;
constexpr uint32_t kSysControl = 0x50040000;
constexpr uint32_t kSysControlBit2 = 1u << 2;
constexpr uint32_t kSysStatus = 0x5004003C;

}  // namespace

bool PrepareLongFormChip(DebugPort& port, platform::Clock& clock) {
    std::optional<uint32_t> power = ReadMemLogged(port, kPowerStatus);
    if (!power) return false;
    if (!(*power & kSecondCorePowered)) {
        if (!WriteMemLogged(port, kPowerStatus, *power | 1u)) return false;
        clock.SleepMs(10);
        power = ReadMemLogged(port, kPowerStatus);
        if (!power) return false;
    }
    if ((*power & kSecondCorePowered) && !WriteMemLogged(port, kDhcsr, kHaltDebug, true)) return false;

    for (uint32_t address : kPreResetWrites)
        if (!WriteMemLogged(port, address, kPreResetValue)) return false;

    std::optional<uint32_t> sysControl = ReadMemLogged(port, kSysControl);
    if (!sysControl) return false;
    if (*sysControl & kSysControlBit2) return true;
    // Each write of this sequence needs 10 ms to settle before the next.
    auto writeAndSettle = [&](uint32_t address, uint32_t value) {
        if (!WriteMemLogged(port, address, value)) return false;
        clock.SleepMs(10);
        return true;
    };
    if (!writeAndSettle(kSysControl, *sysControl | kSysControlBit2)) return false;
    if (!writeAndSettle(0x50000000, 1) || !writeAndSettle(0x50000004, 0x10)) return false;
    std::optional<uint32_t> status = ReadMemLogged(port, kSysStatus);
    if (!status) return false;
    if ((*status & (1u << 4)) && !writeAndSettle(kSysStatus, *status | (1u << 1))) return false;
    return writeAndSettle(0x50000004, 0) && writeAndSettle(0x50000000, 0);
}

}  // namespace pirrow
