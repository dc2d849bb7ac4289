#pragma once
// The chip as its debug port sees it: memory by bus address, the core's
// debug registers (DHCSR, DCRSR, DCRDR, DEMCR, AIRCR) and the few system
// registers the loader boot touches.
#include <cstdint>
#include <map>
#include <optional>

#include "devsim/model/debug_frames.h"
#include "devsim/model/memory.h"

namespace devsim {

class Device;

// Where the boot ROM parks the core after a reset with the reset vector caught.
constexpr uint32_t kBootRomHaltPc = 0x7D4;
// Where a core halted while the boot ROM idles stands, and the ROM's stack.
constexpr uint32_t kBootRomIdlePc = 0xA1C;
constexpr uint32_t kBootRomStack = 0x20010000;

// Processor address of RAM behind a bus address, if it is RAM.
std::optional<uint32_t> RamBehindBus(DebugForm form, uint32_t bus);
// Processor address of flash behind a bus address, if it is flash.
std::optional<uint32_t> FlashBehindBus(DebugForm form, uint32_t bus);

class DebugTarget {
public:
    explicit DebugTarget(DebugForm form) : form_(form) {}

    // What a write asks of the chip beyond storing the value.
    enum class Effect { None, ResetRequest, Run, BootModeRequest, StayInBootRom };

    uint32_t Read(Device& device, uint32_t bus);
    Effect Write(Device& device, uint32_t bus, uint32_t value);

    // The chip was reset. A reset the debugger requested keeps the debug
    // settings, so a caught reset vector halts the core in the boot ROM; any
    // other reset ends the debug session.
    void OnChipReset(bool requestedByDebugger);

    bool Halted() const { return halted_; }
    uint32_t Pc() const;
    uint32_t Msp() const;
    // True when the core, started now, would run an image in RAM: PC and MSP
    // equal words 1 and 0 of the vector table at PC's 4 KiB page.
    bool RunsImageInRam(Device& device) const;

private:
    uint32_t DhcsrValue() const;
    void WriteDhcsr(uint32_t value, Effect& effect);
    void WriteDcrsr(uint32_t value);

    DebugForm form_;
    bool debugEnabled_ = false;
    bool haltRequested_ = false;
    bool halted_ = false;
    bool registerReady_ = false;
    uint32_t dcrdr_ = 0;
    uint32_t demcr_ = 0;
    uint32_t bootMode_ = 0;
    std::map<uint32_t, uint32_t> coreRegs_;  // by DCRSR selector
    SparseMemory other_{0};                  // every other register, by bus address
};

}  // namespace devsim
