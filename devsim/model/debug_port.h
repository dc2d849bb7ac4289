#pragma once
// The boot ROM's debug port: QM2A speaks the short frame form, QM2C the long
// one; other device types have no debug port. It enters and leaves debug
// mode, reads and writes words of the memory map, halts, resets and starts
// the core, and so lets a tool place the RAM loader in RAM and run it.
//
// The station's boot-mode handshake (QM2A) is made of these frames too:
// enter (A1), a write of 1 to 0xFFA57200 (A2: a chip that runs a loader or
// firmware restarts into its boot ROM unless the debugger goes on talking),
// leave (A3), and a write to 0xFFA57203 that is taken without an answer.
//
// Faults: FaultOptions::garbage puts line noise before every reply; a
// FaultOptions::silentCommand of "debug_enter", "debug_leave", "debug_read"
// or "debug_write" leaves those requests unanswered (they still act).
// DebugPortFaults (faults.h) add the faults only this port has.
#include <cstdint>
#include <memory>
#include <string>

#include "devsim/model/debug_frames.h"
#include "devsim/model/debug_target.h"
#include "devsim/model/device.h"

namespace devsim {

// The debug port of the device's type (short form for QM2A, long for QM2C)
// with the given faults; nullptr for types without one.
std::unique_ptr<DebugPortHandler> MakeDebugPortHandler(Device& device, const DebugPortFaults& faults);

class BootDebugPort : public DebugPortHandler {
public:
    BootDebugPort(DebugForm form, DebugPortFaults faults) : form_(form), faults_(faults), reader_(form), target_(form) {}

    size_t OnBytes(Device& device, const uint8_t* data, size_t n) override;
    void OnTick(Device& device, uint64_t nowMs) override;
    void OnReset(Device& device) override;

    const DebugTarget& Target() const { return target_; }
    // The entry and stack of the RAM loader the port last started (0: none).
    uint32_t StartedEntry() const { return startedEntry_; }
    uint32_t StartedStack() const { return startedStack_; }

private:
    // False when the request took the port off the line (leave, reset).
    bool Handle(Device& device, const DebugRequest& request);
    bool HandleWrite(Device& device, const DebugRequest& request);
    void Answer(Device& device, const ByteString& reply, const char* requestName);
    void Reset(Device& device, bool requestedByDebugger);

    DebugForm form_;
    DebugPortFaults faults_;
    DebugFrameReader reader_;
    DebugTarget target_;
    uint64_t lastByteMs_ = 0;
    // A boot-mode request while the core runs restarts the chip into its
    // boot loader unless the debugger goes on talking first.
    std::optional<uint64_t> restartDueMs_;
    bool resetByDebugger_ = false;
    int repliesSeen_ = 0;
    bool bannerRepeated_ = false;
    uint32_t startedEntry_ = 0;
    uint32_t startedStack_ = 0;
};

}  // namespace devsim
