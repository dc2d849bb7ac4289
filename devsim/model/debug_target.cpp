#include "devsim/model/debug_target.h"

#include <iterator>

#include "devsim/model/device.h"

namespace devsim {

namespace {

// Bus addresses of the core's debug registers.
constexpr uint32_t kDhcsr = 0xF000EDF0;
constexpr uint32_t kDcrsr = 0xF000EDF4;
constexpr uint32_t kDcrdr = 0xF000EDF8;
constexpr uint32_t kDemcr = 0xF000EDFC;
constexpr uint32_t kAircr = 0xF000ED0C;
constexpr uint32_t kDebugKey = 0xA05F;
constexpr uint32_t kAircrKey = 0x05FA;
constexpr uint32_t kSysResetReq = 1u << 2;
constexpr uint32_t kVectorCatchReset = 1u << 0;
constexpr uint32_t kDcrsrWrite = 1u << 16;
constexpr uint32_t kRegPc = 15;
constexpr uint32_t kRegMsp = 17;

// Boot-mode request and its status register.
constexpr uint32_t kBootModeRequest = 0xFFA57200;
constexpr uint32_t kBootModeStatus = 0x5000B000;
// The station's last handshake frame after a restart: the boot ROM stays
// and takes it without an answer.
constexpr uint32_t kBootModeStay = 0xFFA57203;
// Power control of the second core (long form): bit 0 powers it, bit 5 says so.
constexpr uint32_t kPowerControl = 0x40040028;
constexpr uint32_t kSecondCorePowered = 1u << 5;

struct Window {
    uint32_t busFirst;
    uint32_t busLast;
    uint32_t processorFirst;
};

std::optional<uint32_t> Behind(const Window* windows, size_t count, uint32_t bus) {
    for (size_t i = 0; i < count; ++i)
        if (bus >= windows[i].busFirst && bus <= windows[i].busLast)
            return windows[i].processorFirst + (bus - windows[i].busFirst);
    return std::nullopt;
}

constexpr Window kShortRam[] = {{0x20000000, 0x200FFFFF, 0x20000000}};
constexpr Window kLongRam[] = {
    {0x2A000000, 0x2A0C7FFF, 0x20000000},
    {0x00000000, 0x003FFFFF, 0x20800000},
    {0x20400000, 0x2041FFFF, 0x20C00000},  // also reached as 0x00400000
};
constexpr Window kFlash[] = {{0x60000000, 0x6FFFFFFF, 0x10000000}};

}  // namespace

std::optional<uint32_t> RamBehindBus(DebugForm form, uint32_t bus) {
    if (form == DebugForm::Short) return Behind(kShortRam, std::size(kShortRam), bus);
    return Behind(kLongRam, std::size(kLongRam), bus);
}

std::optional<uint32_t> FlashBehindBus(DebugForm, uint32_t bus) { return Behind(kFlash, std::size(kFlash), bus); }

uint32_t DebugTarget::Pc() const {
    auto it = coreRegs_.find(kRegPc);
    return it == coreRegs_.end() ? 0 : it->second;
}

uint32_t DebugTarget::Msp() const {
    auto it = coreRegs_.find(kRegMsp);
    return it == coreRegs_.end() ? 0 : it->second;
}

uint32_t DebugTarget::DhcsrValue() const {
    return (debugEnabled_ ? 1u : 0u) | (haltRequested_ ? 2u : 0u) | (registerReady_ ? 1u << 16 : 0u) |
           (halted_ ? 1u << 17 : 0u);
}

uint32_t DebugTarget::Read(Device& device, uint32_t bus) {
    switch (bus) {
        case kDhcsr: return DhcsrValue();
        case kDcrdr: return dcrdr_;
        case kDemcr: return demcr_;
        case kBootModeStatus: return bootMode_;
        default: break;
    }
    if (std::optional<uint32_t> ram = RamBehindBus(form_, bus)) return device.Ram().Read32(*ram);
    if (std::optional<uint32_t> flash = FlashBehindBus(form_, bus)) {
        uint8_t b[4];
        if (!device.Flash().Read(*flash, b, 4)) return 0xFFFFFFFF;
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
    return other_.Read32(bus);
}

void DebugTarget::WriteDhcsr(uint32_t value, Effect& effect) {
    if ((value >> 16) != kDebugKey) return;  // writes without the key are ignored by the core
    debugEnabled_ = value & 1u;
    haltRequested_ = debugEnabled_ && (value & 2u);
    if (haltRequested_) {
        if (!halted_) coreRegs_[kRegPc] = kBootRomIdlePc;
        halted_ = true;
    } else if (halted_) {
        halted_ = false;
        registerReady_ = false;
        effect = Effect::Run;
    }
}

// A register transfer only completes while the core is halted.
void DebugTarget::WriteDcrsr(uint32_t value) {
    registerReady_ = halted_;
    if (!halted_) return;
    const uint32_t selector = value & 0x7F;
    if (value & kDcrsrWrite) {
        coreRegs_[selector] = dcrdr_;
    } else {
        dcrdr_ = coreRegs_[selector];
    }
}

DebugTarget::Effect DebugTarget::Write(Device& device, uint32_t bus, uint32_t value) {
    Effect effect = Effect::None;
    switch (bus) {
        case kDhcsr: WriteDhcsr(value, effect); return effect;
        case kDcrsr: WriteDcrsr(value); return effect;
        case kDcrdr: dcrdr_ = value; return effect;
        case kDemcr: demcr_ = value; return effect;
        case kAircr:
            if ((value >> 16) == kAircrKey && (value & kSysResetReq)) effect = Effect::ResetRequest;
            return effect;
        case kBootModeRequest:
            if (value & 1u) {
                bootMode_ |= 1u;
                effect = Effect::BootModeRequest;
            }
            return effect;
        case kBootModeStay:
            return Effect::StayInBootRom;
        case kPowerControl:
            other_.Write32(bus, (value & 1u) ? value | kSecondCorePowered : value);
            return effect;
        default: break;
    }
    if (std::optional<uint32_t> ram = RamBehindBus(form_, bus)) {
        device.Ram().Write32(*ram, value);
    } else if (!FlashBehindBus(form_, bus)) {  // flash takes no bus writes
        other_.Write32(bus, value);
    }
    return effect;
}

void DebugTarget::OnChipReset(bool requestedByDebugger) {
    registerReady_ = false;
    coreRegs_.clear();
    coreRegs_[kRegMsp] = kBootRomStack;
    bootMode_ = 0;
    if (!requestedByDebugger) {
        debugEnabled_ = haltRequested_ = false;
        demcr_ = 0;
    }
    halted_ = debugEnabled_ && (demcr_ & kVectorCatchReset);
    coreRegs_[kRegPc] = halted_ ? kBootRomHaltPc : kBootRomIdlePc;
}

bool DebugTarget::RunsImageInRam(Device& device) const {
    const uint32_t pc = Pc();
    const uint32_t base = pc & ~0xFFFu;
    const Window* windows = form_ == DebugForm::Short ? kShortRam : kLongRam;
    const size_t count = form_ == DebugForm::Short ? std::size(kShortRam) : std::size(kLongRam);
    bool inRam = false;
    for (size_t i = 0; i < count && !inRam; ++i) {
        const uint32_t last = windows[i].processorFirst + (windows[i].busLast - windows[i].busFirst);
        inRam = base >= windows[i].processorFirst && pc <= last;
    }
    return inRam && device.Ram().Read32(base) == Msp() && device.Ram().Read32(base + 4) == pc;
}

}  // namespace devsim
