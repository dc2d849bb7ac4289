#include "pirrow/uart_link.h"

#include <cerrno>
#include <cstring>

#include "common/print_log.h"
#include "pirrow/interruption.h"

namespace pirrow {

using common::PrintLog;
using platform::SerialOpenFailure;

PortOpener SerialPortOpener() {
    return [](const std::string& name, int baud, PortOpenError& why) -> std::unique_ptr<platform::ByteLink> {
        auto port = std::make_unique<platform::SerialPort>();
        if (port->Open(name, baud)) return port;
        why.failure = port->OpenFailure();
        why.error = port->LastError();
        return nullptr;
    };
}

void PrintPercent(int value) { common::PrintConsole("percent:%d \n", value > 100 ? 100 : value); }

namespace {

void LogOpenFailure(const std::string& portName, int baud, const PortOpenError& why) {
    PrintLog(false, "uart %s open fail \n", portName.c_str());
    if (why.failure == SerialOpenFailure::BaudRate) {
        PrintLog(false, "X uart baud %d not supported: %s\n", baud, std::strerror(why.error));
        return;
    }
    // A port held by another program reads as busy however that showed.
    const int error = why.failure == SerialOpenFailure::Busy ? EBUSY : why.error;
    PrintLog(false, "X uart %s open: %s\n", portName.c_str(), std::strerror(error));
    if (error == EACCES) PrintLog(false, "X add the user to the dialout group\n");
}

// A progress value per cycle, printed when it changed.
std::function<void(int)> ProgressLine(int from, int to, int cycles, int& last) {
    return [from, to, cycles, &last](int k) {
        const int value = from + (to - from) * k / cycles;
        if (value != last) {
            last = value;
            PrintPercent(value);
        }
    };
}

}  // namespace

bool UartLink::Open(const std::string& portName, int baud) {
    Close();
    portName_ = portName;
    PortOpenError why;
    port_ = opener_(portName, baud, why);
    if (!port_) {
        LogOpenFailure(portName, baud, why);
        return false;
    }
    PrintLog(false, "uart %s open success \n", portName.c_str());
    baud_ = baud;
    port_->Purge();
    return true;
}

void UartLink::Close() {
    if (port_) port_->Close();
    port_.reset();
    loaderState_ = LoaderState::Absent;
}

bool UartLink::SetBaud(int baud) {
    if (!IsOpen()) return false;
    if (!port_->SetBaud(baud)) {
        PrintLog(false, "X uart baud %d not supported: %s\n", baud, std::strerror(port_->LastError()));
        return false;
    }
    baud_ = baud;
    return true;
}

void UartLink::Purge() {
    if (IsOpen()) port_->Purge();
}

bool UartLink::Send(const std::string& text) { return SendBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }

bool UartLink::SendBytes(const uint8_t* data, size_t n) {
    if (!IsOpen()) return false;
    const bool ok = port_->Write(data, n);
    // A write given up for a stop request is no port fault.
    ThrowIfStopped();
    if (!ok) PrintLog(false, "X uart write fail: %s\n", std::strerror(port_->LastError()));
    return ok;
}

bool UartLink::SendLogged(const std::string& command) {
    PrintLog(false, "%s\n", command.c_str());
    return Send(command);
}

size_t UartLink::Queued() { return IsOpen() ? port_->QueuedBytes() : 0; }

size_t UartLink::ReadQueued(std::string& out, size_t max) {
    if (!IsOpen()) return 0;
    uint8_t buf[16384];
    size_t total = 0;
    while (total < max) {
        const size_t want = max - total < sizeof buf ? max - total : sizeof buf;
        const size_t got = port_->Read(buf, want);
        out.append(reinterpret_cast<const char*>(buf), got);
        total += got;
        if (got < want) break;  // the driver has nothing more
    }
    return total;
}

bool UartLink::WaitForData(uint64_t deadlineUs) {
    while (true) {
        ThrowIfStopped();
        const uint64_t nowUs = clock_.NowUs();
        if (nowUs >= deadlineUs) return IsOpen() && port_->QueuedBytes() > 0;
        const uint32_t ms = uint32_t((deadlineUs - nowUs + 999) / 1000);
        if (!IsOpen()) {
            clock_.SleepMs(ms);  // nothing can arrive; the time still passes
            continue;
        }
        if (port_->WaitReadable(clock_, ms)) return true;
    }
}

// Waits for a token: the success token first, then the failure token, in
// the whole reply; an answer counts once the line holding it has ended.
bool UartLink::WaitToken(const char* pass, const char* fail, int cycles, int cycleMs,
                         const std::function<void(int)>& progress, bool endWhenFull,
                         const std::function<bool(const std::string&)>& alsoComplete) {
    reply_.clear();
    ReplyWait wait = TokenWait(pass, fail, cycles, cycleMs, kReplyLimit, endWhenFull, alsoComplete);
    if (progress) {
        wait.onCycle = [&](int k) {
            progress(k);
            return true;
        };
    }
    const bool ok = WaitReply(*this, reply_, wait) == PollStep::Pass;
    PrintLog(false, "R: %s\n", reply_.c_str());
    return ok;
}

bool UartLink::WaitRxWait(int timeoutMs) { return WaitToken("RX_WAIT", "Fail", timeoutMs / 10, 10, nullptr); }

bool UartLink::WaitOk(int timeoutMs) { return WaitToken("OK", "Fail", timeoutMs / 10, 10, nullptr); }

bool UartLink::WaitOkUntil(int timeoutMs, const std::function<bool(const std::string&)>& complete) {
    return WaitToken("OK", "Fail", timeoutMs / 10, 10, nullptr, false, complete);
}

bool UartLink::WaitOkProgress(int timeoutMs, int from, int to) {
    const int cycles = timeoutMs / 10;
    int last = from;
    const bool ok = WaitToken("OK", "Fail", cycles, 10, ProgressLine(from, to, cycles, last));
    if (ok) PrintPercent(to);
    return ok;
}

bool UartLink::ReadExpectRet(const char* pass, const char* fail, int cycles, int from, int to) {
    int last = from;
    const bool progress = from != -1 && cycles > 0;
    return WaitToken(pass, fail, cycles, 1000, progress ? ProgressLine(from, to, cycles, last) : nullptr, true);
}

void UartLink::Drain() {
    std::string held;
    for (int k = 0; k < 200 && held.size() <= kDrainLimit; ++k) {
        clock_.SleepMs(10);
        ReadQueued(held, kDrainLimit + 1 - held.size());
    }
    PrintLog(false, "R: \n%s\n", held.c_str());
}

}  // namespace pirrow
