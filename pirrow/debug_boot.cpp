#include "pirrow/debug_boot.h"

#include "common/print_log.h"
#include "pirrow/debug_access.h"
#include "pirrow/debug_chip_prep.h"
#include "pirrow/debug_port.h"
#include "pirrow/debug_ram_load.h"
#include "pirrow/loader.h"

namespace pirrow {

using common::PrintLog;

namespace {

// The sequence names the debug registers by their bus addresses.
constexpr uint32_t kBusDhcsr = 0xF000EDF0;
constexpr uint32_t kBusDemcr = 0xF000EDFC;
constexpr uint32_t kBusAircr = 0xF000ED0C;
constexpr uint32_t kBusDfsr = 0xF000ED30;
constexpr uint32_t kBusEe08 = 0xF000EE08;
constexpr uint32_t kBus1000 = 0xF0001000;

constexpr uint32_t kDebugHalt = 0xA05F0003;
constexpr uint32_t kDebugRun = 0xA05F0001;
constexpr uint32_t kTraceAndResetCatch = 0x01000001;
constexpr uint32_t kTraceOnly = 0x01000000;
constexpr uint32_t kSystemResetRequest = 0x05FA0004;
constexpr uint32_t kClearDebugFaults = 0x1F;
// Where the boot ROM parks the core after a reset with vector catch.
constexpr uint32_t kBootRomHaltPc = 0x7D4;

constexpr uint32_t kBootModeTrigger = 0xFFA57200;
constexpr uint32_t kBootModeStatus = 0x5000B000;

enum class PassEnd { Done, Retry, Abort };

std::optional<CoreRegs> ReadAndShowRegs(DebugPort& port) {
    std::optional<CoreRegs> regs = port.ReadCoreRegs();
    if (regs) PrintLog(true, "[R] PC: 0x%08x  MSP: 0x%08x\n", regs->pc, regs->msp);
    return regs;
}

// Halt, reset with vector catch, and confirm the core sits in the boot ROM.
bool HaltInBootRom(Session& s, DebugPort& port) {
    if (!WriteMemLogged(port, kBusDhcsr, kDebugHalt)) return false;
    if (!port.IsShort() && !PrepareLongFormChip(port, s.clock)) return false;
    if (!ReadMemLogged(port, kBusEe08) || !WriteMemLogged(port, kBusEe08, 0x00010000)) return false;
    if (!WriteMemLogged(port, kBusDemcr, kTraceAndResetCatch)) return false;
    WriteMemLogged(port, kBusAircr, kSystemResetRequest);  // the chip resets; no answer counts
    if (!port.IsShort()) s.clock.SleepMs(20);
    if (!ReadMemLogged(port, kBusDhcsr) || !ReadMemLogged(port, kBusDhcsr)) return false;
    if (!WriteMemLogged(port, kBusDhcsr, kDebugHalt)) return false;
    if (!WriteMemSingleLogged(port, kBusDemcr, kTraceOnly)) return false;
    std::optional<CoreRegs> regs = ReadAndShowRegs(port);
    return regs && regs->pc == kBootRomHaltPc;
}

bool LoadImage(Session& s, DebugPort& port, RamImage& image) {
    PrintLog(true, "DownLoadFileRam start\n");
    // A loader that was not written whole must never be started, so the
    // short form fails the pass here just as the long form does.
    const bool loaded = DownLoadFileRam(port, s.settings.ramLoaderPath, image);
    if (port.IsShort()) {
        PrintLog(true, "DownLoadFileRam over\n");
    } else {
        PrintLog(true, loaded ? "DownLoadFileRam over: PASS\n" : "DownLoadFileRam over: FAIL\n");
    }
    return loaded;
}

bool SelectRamBootMode(DebugPort& port) {
    if (!WriteMemLogged(port, kBootModeTrigger, 1)) return false;
    std::optional<uint32_t> status = ReadMemLogged(port, kBootModeStatus);
    if (!status) return false;
    PrintLog(false, "[R] BMR: 0x%08x\n", *status);
    if (*status & 1u) return true;
    if (!WriteMemLogged(port, kBootModeTrigger, *status)) return false;
    status = ReadMemLogged(port, kBootModeStatus);
    if (!status) return false;
    PrintLog(false, "[R] BMR: 0x%08x\n", *status);
    return true;
}

bool StartLoader(DebugPort& port, const RamImage& image) {
    if (port.IsShort()) {  // results not needed: the loader runs either way
        WriteMemLogged(port, 0x5000202C, 0xFFFFFC00);
        WriteMemLogged(port, 0x50002030, 0);
    }
    std::optional<CoreRegs> regs = ReadAndShowRegs(port);
    if (!regs) return false;
    if (regs->pc != kBootRomHaltPc) PrintLog(true, "xxxxx pc ERROR\n");
    if (!port.WriteCoreRegs({image.entry, image.msp})) return false;
    if (!ReadAndShowRegs(port)) return false;
    if (port.IsShort() && !SelectRamBootMode(port)) return false;

    if (!ReadMemLogged(port, kBusDhcsr) || !ReadMemLogged(port, kBus1000)) return false;
    if (!WriteMemLogged(port, kBusDfsr, kClearDebugFaults)) return false;
    if (!ReadMemLogged(port, kBusDhcsr) || !ReadMemLogged(port, kBusDemcr)) return false;
    return WriteMemLogged(port, kBusDhcsr, kDebugRun);
}

void WakeTextChannel(Session& s) {
    s.link.Send("\r\n");
    s.link.Send("\r\n");
    s.clock.SleepMs(100);
    s.link.Purge();
}

// The loader now runs at the loader rate: meet it there, leave debug mode and
// move its text channel to the target rate.
PassEnd HandOverToLoader(Session& s, DebugPort& port, int targetBaud) {
    if (port.CurrentBaud() != kLoaderBaud) {
        PrintLog(true, port.IsShort() ? "after reset，curbaund (%d)\n" : "after reset, curbaund (%d)\n", kLoaderBaud);
        s.link.Close();
        if (!s.link.Open(s.settings.portName, kLoaderBaud)) return PassEnd::Retry;
        port.SetCurrentBaud(kLoaderBaud);
    }
    s.link.Drain();
    port.LeaveDebugMode();
    s.clock.SleepMs(100);
    WakeTextChannel(s);
    if (targetBaud == port.CurrentBaud()) return PassEnd::Done;
    if (!BurnSpeed(s, targetBaud) && !BurnSpeed(s, targetBaud)) return PassEnd::Abort;
    WakeTextChannel(s);
    return PassEnd::Done;
}

PassEnd RunPass(Session& s, DebugPort& port, int targetBaud) {
    if (!port.EnterDebugMode()) return PassEnd::Abort;
    if (!HaltInBootRom(s, port)) return PassEnd::Retry;
    RamImage image;
    if (!LoadImage(s, port, image)) return PassEnd::Retry;
    if (!StartLoader(port, image)) return PassEnd::Retry;
    return HandOverToLoader(s, port, targetBaud);
}

}  // namespace

bool DebugPortBoot(Session& s, DebugFrameForm form, int currentBaud, int targetBaud) {
    DebugPort port(s, form, currentBaud);
    for (int pass = 0; pass < 2; ++pass) {
        switch (RunPass(s, port, targetBaud)) {
            case PassEnd::Done: return true;
            case PassEnd::Abort: return false;
            case PassEnd::Retry: break;
        }
    }
    return false;
}

}  // namespace pirrow
