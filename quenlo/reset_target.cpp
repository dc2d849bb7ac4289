#include "common/print_log.h"
#include "quenlo/tool.h"

namespace quenlo {

using common::PrintLog;

namespace {

// Registers of the QM2B reset sequence.
constexpr uint32_t kBootHoldRegister = 0x4007A000;
constexpr uint32_t kResetLatchRegister = 0x4007A01C;
constexpr uint32_t kLatchSet = 1u << 31;
constexpr uint32_t kLatchControlBits = 0x3;
constexpr uint32_t kBootRomHaltPc = 0x7D4;
constexpr int kClearRounds = 11;

int Write32(Tool& t, uint32_t address, uint32_t value) { return t.jl.WriteMemEx(address, 4, &value, 4); }

int Read32(Tool& t, uint32_t address, uint32_t& value) {
    value = 0;
    return t.jl.ReadMemEx(address, 4, &value, 4);
}

uint32_t ResetHaltAndReadPc(Tool& t) {
    t.jl.Reset();
    t.clock.SleepMs(500);
    t.jl.Halt();
    t.clock.SleepMs(100);
    const uint32_t pc = t.jl.ReadReg(kRegPc);
    PrintLog(false, "PC: 0x%x\n", pc);
    return pc;
}

uint32_t ReadLatch(Tool& t) {
    uint32_t value = 0;
    int ret = Read32(t, kResetLatchRegister, value);
    PrintLog(false, "r4 0x4007A01C ret:%d value:%d\n", ret, int(value));
    return value;
}

// Clears the latch by dropping its control bits and raising them again.
void PulseLatch(Tool& t, uint32_t value) {
    const uint32_t low = value & ~kLatchControlBits;
    int ret = Write32(t, kResetLatchRegister, low);
    PrintLog(false, "w4 0x4007A01C %d ret:%d\n", int(low), ret);
    const uint32_t high = value | kLatchControlBits;
    ret = Write32(t, kResetLatchRegister, high);
    PrintLog(false, "w4 0x4007A01C %d ret:%d\n", int(high), ret);
}

}  // namespace

int ResetTarget(Tool& t) {
    if (!(t.jl.IsHalted() > 0)) {
        t.jl.Halt();
        t.clock.SleepMs(100);
        if (t.jl.IsHalted() > 0) PrintLog(false, "run jlink_Halt over\n");
    }
    if (!t.cfg.device.empty() && t.cfg.device != "QM2B") return t.jl.Reset();

    for (int round = 0; round < kClearRounds; ++round) {
        int ret = Write32(t, kBootHoldRegister, 0);
        PrintLog(false, "w4 0x4007A000 0  ret:%d\n", ret);
        t.clock.SleepMs(10);
        uint32_t value = 0;
        ret = Read32(t, kBootHoldRegister, value);
        PrintLog(false, "r4 0x4007A000 ret:%d value:%d\n", ret, int(value));
        t.clock.SleepMs(10);
        if (value == 0) break;
    }
    if (ResetHaltAndReadPc(t) == kBootRomHaltPc) return 0;

    uint32_t latch = ReadLatch(t);
    if (latch & kLatchSet) {
        PulseLatch(t, latch);
        latch = ReadLatch(t);
        if (latch & kLatchSet) PulseLatch(t, latch);
    }
    ResetHaltAndReadPc(t);
    return 0;
}

}  // namespace quenlo
