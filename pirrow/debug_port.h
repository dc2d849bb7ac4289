#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

#include "pirrow/debug_frame.h"
#include "pirrow/session.h"

namespace pirrow {

// Core register selectors of DCRSR.
constexpr uint32_t kRegPc = 15;
constexpr uint32_t kRegMsp = 17;
// DCRSR bit that turns a register transfer into a write.
constexpr uint32_t kDcrsrWrite = 0x10000;
// DHCSR reads allowed while waiting for the register-ready bit.
constexpr int kRegisterReadyPolls = 20;

struct CoreRegs {
    uint32_t pc = 0;
    uint32_t msp = 0;
};

// Word access to the chip's memory map through the boot ROM's debug port.
// Every wait runs on the session's clock.
class DebugPort {
public:
    DebugPort(Session& s, DebugFrameForm form, int currentBaud) : s_(s), form_(form), baud_(currentBaud) {}

    DebugFrameForm form() const { return form_; }
    bool IsShort() const { return form_ == DebugFrameForm::Short; }
    // The rate the tool believes the link runs at (the reset write moves it).
    int CurrentBaud() const { return baud_; }
    void SetCurrentBaud(int baud) { baud_ = baud; }

    // Receives exactly `count` bytes equal to `pattern` (any bytes when the
    // pattern is null); bytes before a match are dropped. The limit runs from
    // the call. On success `got` (when given) holds the bytes.
    bool DebugExpect(size_t count, const Bytes* pattern, int timeoutMs, Bytes* got = nullptr);

    // Purge, enter-debug frame, its reply within `timeoutMs`.
    bool SendEnterDebug(int timeoutMs);
    // Enter with one retry, with the console lines of both attempts.
    bool EnterDebugMode();
    // Purge, leave-debug frame, its reply within 500 ms (result for the caller).
    bool LeaveDebugMode();

    std::optional<uint32_t> DebugReadWord(uint32_t address, bool secondCore = false);
    // Writes n bytes (rounded up to whole words, zero-padded). A short-form
    // system reset request takes the reset path and awaits no reply.
    bool DebugWriteMem(uint32_t address, const uint8_t* data, size_t n, bool secondCore = false);
    bool DebugWriteWord(uint32_t address, uint32_t value, bool secondCore = false);

    // PC then MSP through DCRSR/DCRDR, each once DHCSR says the register is ready.
    std::optional<CoreRegs> ReadCoreRegs();
    bool WriteCoreRegs(const CoreRegs& regs);

private:
    bool IsResetRequest(uint32_t address, const uint8_t* data, size_t n) const;
    void ResetPath();
    bool AwaitRegisterReady();

    Session& s_;
    DebugFrameForm form_;
    int baud_;
};

}  // namespace pirrow
