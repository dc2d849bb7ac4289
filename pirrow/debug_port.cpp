#include "pirrow/debug_port.h"

#include <algorithm>
#include <string>

#include "common/print_log.h"

namespace pirrow {

using common::PrintLog;

namespace {

constexpr int kHeadTimeoutMs = 1000;
constexpr int kDataTimeoutMs = 1000;
constexpr int kAckTimeoutMs = 100;
constexpr int kModeTimeoutMs = 500;
constexpr uint32_t kResetRequestBit = 1u << 26;

// Read-word error codes of the log line.
constexpr int kErrNoHead = 1;
constexpr int kErrNoData = 4;
constexpr int kErrBadAck = 8;
constexpr int kErrNoAck = 16;

}  // namespace

bool DebugPort::DebugExpect(size_t count, const Bytes* pattern, int timeoutMs, Bytes* got) {
    const uint64_t startUs = s_.clock.NowUs();
    const uint64_t limitUs = uint64_t(timeoutMs) * 1000;
    std::string held;
    while (true) {
        const size_t need = count - held.size();
        if (need == 0) break;
        // Bytes are taken as they come; a match may run on into later reads.
        if (s_.link.ReadQueued(held, need) > 0) {
            if (pattern) held.erase(0, DebugReplyStart(held, *pattern, count));
            continue;
        }
        if (!s_.link.IsOpen() || s_.clock.NowUs() - startUs >= limitUs) return false;
        s_.link.WaitForData(startUs + limitUs);
    }
    if (got) got->assign(held.begin(), held.end());
    return true;
}

bool DebugPort::SendEnterDebug(int timeoutMs) {
    s_.link.Purge();
    const Bytes frame = EnterDebugFrame(form_);
    s_.link.SendBytes(frame.data(), frame.size());
    const Bytes reply = ShortReply(form_, kDebugEnterReply);
    return DebugExpect(reply.size(), &reply, timeoutMs);
}

bool DebugPort::EnterDebugMode() {
    if (!SendEnterDebug(kModeTimeoutMs)) {
        PrintLog(true, "EnterDebugMode error: curbaund (%d)\n", baud_);
        s_.clock.SleepMs(500);
        if (!SendEnterDebug(kModeTimeoutMs)) {
            PrintLog(true, "EnterDebugMode retry error: curbaund (%d)\n", baud_);
            return false;
        }
    }
    PrintLog(true, "EnterDebugMode success: curbaund (%d)\n", baud_);
    return true;
}

bool DebugPort::LeaveDebugMode() {
    s_.link.Purge();
    const Bytes frame = LeaveDebugFrame(form_);
    s_.link.SendBytes(frame.data(), frame.size());
    const Bytes reply = ShortReply(form_, kDebugLeaveReply);
    return DebugExpect(reply.size(), &reply, kModeTimeoutMs);
}

std::optional<uint32_t> DebugPort::DebugReadWord(uint32_t address, bool secondCore) {
    const uint32_t bus = DebugBusAddress(form_, address, secondCore);
    s_.link.Purge();
    const Bytes frame = ReadWordFrame(form_, bus);
    s_.link.SendBytes(frame.data(), frame.size());

    const Bytes head = ReadReplyHead(form_);
    Bytes data, ack;
    int err = 0;
    if (!DebugExpect(head.size(), &head, kHeadTimeoutMs)) {
        err = kErrNoHead;
    } else if (!DebugExpect(4, nullptr, kDataTimeoutMs, &data)) {
        err = kErrNoData;
    } else if (!DebugExpect(1, nullptr, kAckTimeoutMs, &ack)) {
        err = kErrNoAck;
    } else if (ack[0] != kDebugAck) {
        err = kErrBadAck;
    }
    if (err != 0) {
        PrintLog(false, IsShort() ? " (ReadMem 0x%x 0x%x err:%x)  \n" : " (ReadMem 0x%x 0x%x err:%x) \n", bus, 4, err);
        return std::nullopt;
    }
    return ReadReplyWord(form_, data.data());
}

bool DebugPort::IsResetRequest(uint32_t address, const uint8_t* data, size_t n) const {
    if (!IsShort() || n != 4) return false;
    if (address != 0xE000ED0C && address != 0xF000ED0C && address != 0x3000ED0C) return false;
    const uint32_t value = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
    return (value & kResetRequestBit) != 0;
}

// The chip resets instead of answering and its boot ROM comes back at the
// loader rate: follow it there and wake its debug port again.
void DebugPort::ResetPath() {
    s_.clock.SleepMs(1000);
    if (s_.link.SetBaud(kLoaderBaud)) baud_ = kLoaderBaud;
    s_.clock.SleepMs(500);
    SendEnterDebug(kModeTimeoutMs);
}

bool DebugPort::DebugWriteMem(uint32_t address, const uint8_t* data, size_t n, bool secondCore) {
    const uint32_t bus = DebugBusAddress(form_, address, secondCore);
    const Bytes payload = WriteWordsData(form_, data, n);
    const Bytes header = WriteWordsHeader(form_, bus, payload.size());
    s_.link.Purge();
    s_.link.SendBytes(header.data(), header.size());
    s_.link.SendBytes(payload.data(), payload.size());
    if (IsResetRequest(address, data, n)) {
        ResetPath();
        return true;
    }
    const Bytes reply = ShortReply(form_, kDebugWriteReply);
    const int timeoutMs = int(payload.size() / 51200 + 1) * 1000;
    if (DebugExpect(reply.size(), &reply, timeoutMs)) return true;
    PrintLog(false, " (WriteMem 0x%x 0x%x err) \n", bus, unsigned(payload.size()));
    return false;
}

bool DebugPort::DebugWriteWord(uint32_t address, uint32_t value, bool secondCore) {
    const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    return DebugWriteMem(address, bytes, 4, secondCore);
}

// DHCSR bit 16 says the last register transfer finished; a core that never
// sets it must not hold the tool, so the reads are bounded.
bool DebugPort::AwaitRegisterReady() {
    for (int i = 0; i < kRegisterReadyPolls; ++i) {
        std::optional<uint32_t> dhcsr = DebugReadWord(kDhcsr);
        if (!dhcsr) return false;
        if (*dhcsr & kDhcsrRegisterReady) return true;
    }
    return false;
}

std::optional<CoreRegs> DebugPort::ReadCoreRegs() {
    CoreRegs regs;
    for (uint32_t selector : {kRegPc, kRegMsp}) {
        std::optional<uint32_t> value;
        if (DebugWriteWord(kDcrsr, selector)) {
            if (AwaitRegisterReady()) {
                value = DebugReadWord(kDcrdr);
            } else {
                PrintLog(false, "X ReadReg: register %u not ready after %d reads of DHCSR\n", selector,
                         kRegisterReadyPolls);
            }
        }
        if (!value) {
            if (!IsShort()) PrintLog(false, "ReadReg error: 0x%08x 0x%08x\n", kDcrsr, selector);
            return std::nullopt;
        }
        (selector == kRegPc ? regs.pc : regs.msp) = *value;
    }
    return regs;
}

bool DebugPort::WriteCoreRegs(const CoreRegs& regs) {
    const std::pair<uint32_t, uint32_t> order[] = {{kRegPc, regs.pc}, {kRegMsp, regs.msp}};
    for (const auto& [selector, value] : order) {
        if (!DebugWriteWord(kDcrdr, value) || !DebugWriteWord(kDcrsr, kDcrsrWrite + selector)) return false;
        if (!AwaitRegisterReady()) {
            PrintLog(false, " (WriteReg err (DHCSR))  \n");
            return false;
        }
    }
    return true;
}

}  // namespace pirrow
