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

// One poll loop: sleep, hook (progress), read what is queued, look for the
// success token and then the failure token in the whole reply.
bool UartLink::WaitToken(const char* pass, const char* fail, int cycles, int cycleMs,
                         const std::function<void(int)>& beforeRead) {
    reply_.clear();
    bool ok = false;
    for (int k = 1; k <= cycles; ++k) {
        clock_.SleepMs(uint32_t(cycleMs));
        if (beforeRead) beforeRead(k);
        if (ReadQueued(reply_, kReplyLimit - reply_.size()) == 0) continue;
        if (reply_.find(pass) != std::string::npos) {
            ok = true;
            break;
        }
        if (fail && reply_.find(fail) != std::string::npos) break;
    }
    PrintLog(false, "R: %s\n", reply_.c_str());
    return ok;
}

bool UartLink::WaitRxWait(int timeoutMs) { return WaitToken("RX_WAIT", "Fail", timeoutMs / 10, 10, nullptr); }

bool UartLink::WaitOk(int timeoutMs) { return WaitToken("OK", "Fail", timeoutMs / 10, 10, nullptr); }

bool UartLink::WaitOkProgress(int timeoutMs, int from, int to) {
    const int cycles = timeoutMs / 10;
    int last = from;
    bool ok = WaitToken("OK", "Fail", cycles, 10, [&](int k) {
        int value = from + (to - from) * k / cycles;
        if (value != last) {
            last = value;
            PrintPercent(value);
        }
    });
    if (ok) PrintPercent(to);
    return ok;
}

bool UartLink::ReadExpectRet(const char* pass, const char* fail, int cycles, int from, int to) {
    reply_.clear();
    int last = from;
    bool ok = false;
    for (int i = 1; i <= cycles; ++i) {
        clock_.SleepMs(1000);
        if (from != -1 && cycles > 0) {
            int value = from + (to - from) * i / cycles;
            if (value != last) {
                last = value;
                PrintPercent(value);
            }
        }
        if (ReadQueued(reply_, kReplyLimit - reply_.size()) == 0) continue;
        if (reply_.find(pass) != std::string::npos) {
            ok = true;
            break;
        }
        if (fail && reply_.find(fail) != std::string::npos) break;
        if (reply_.size() >= kReplyLimit) break;
    }
    PrintLog(false, "R: %s\n", reply_.c_str());
    return ok;
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
