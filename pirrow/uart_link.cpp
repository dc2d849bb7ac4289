#include "pirrow/uart_link.h"

#include <cstring>

#include "common/print_log.h"
#include "platform/serial_port.h"

namespace pirrow {

using common::PrintLog;

PortOpener SerialPortOpener() {
    return [](const std::string& name, int baud) -> std::unique_ptr<platform::ByteLink> {
        auto port = std::make_unique<platform::SerialPort>();
        if (!port->Open(name, baud)) return nullptr;
        return port;
    };
}

void PrintPercent(int value) { common::PrintConsole("percent:%d \n", value > 100 ? 100 : value); }

bool UartLink::Open(const std::string& portName, int baud) {
    Close();
    portName_ = portName;
    port_ = opener_(portName, baud);
    if (!port_) {
        PrintLog(false, "uart %s open fail \n", portName.c_str());
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
}

bool UartLink::SetBaud(int baud) {
    if (!IsOpen() || !port_->SetBaud(baud)) return false;
    baud_ = baud;
    return true;
}

void UartLink::Purge() {
    if (IsOpen()) port_->Purge();
}

bool UartLink::Send(const std::string& text) { return SendBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }

bool UartLink::SendBytes(const uint8_t* data, size_t n) { return IsOpen() && port_->Write(data, n); }

bool UartLink::SendLogged(const std::string& command) {
    PrintLog(false, "%s\n", command.c_str());
    return Send(command);
}

size_t UartLink::Queued() { return IsOpen() ? port_->QueuedBytes() : 0; }

size_t UartLink::ReadQueued(std::string& out, size_t max) {
    if (!IsOpen() || max == 0) return 0;
    size_t n = port_->QueuedBytes();
    if (n == 0) return 0;
    if (n > max) n = max;
    size_t old = out.size();
    out.resize(old + n);
    size_t got = port_->Read(reinterpret_cast<uint8_t*>(&out[old]), n);
    out.resize(old + got);
    return got;
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
