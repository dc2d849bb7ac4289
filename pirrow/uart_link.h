#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/byte_link.h"
#include "platform/clock.h"

namespace pirrow {

// Opens a port by name at a baud rate; tests substitute scripted links.
using PortOpener = std::function<std::unique_ptr<platform::ByteLink>(const std::string& portName, int baud)>;
PortOpener SerialPortOpener();

// Bytes a wait may hold: the reply stays a terminated text of at most this.
constexpr size_t kReplyLimit = 81919;
constexpr size_t kDrainLimit = 20478;

// The serial link to the boot ROM or RAM loader: port set-up, sending, and
// the polling wait routines. The reply of the last wait stays readable.
class UartLink {
public:
    UartLink(platform::Clock& clock, PortOpener opener) : clock_(clock), opener_(std::move(opener)) {}

    // Opens `portName` at `baud` in raw 8N1 without flow control and purges it.
    bool Open(const std::string& portName, int baud);
    void Close();
    bool IsOpen() const { return port_ && port_->IsOpen(); }
    bool SetBaud(int baud);
    int Baud() const { return baud_; }
    const std::string& PortName() const { return portName_; }
    void Purge();

    bool Send(const std::string& text);
    bool SendBytes(const uint8_t* data, size_t n);
    // Sends a loader command and logs it as "%s\n".
    bool SendLogged(const std::string& command);

    // Reads what is queued now (at most `max` bytes) and appends it to `out`.
    size_t ReadQueued(std::string& out, size_t max);
    size_t Queued();

    bool WaitRxWait(int timeoutMs);
    bool WaitOk(int timeoutMs);
    bool WaitOkProgress(int timeoutMs, int from, int to);
    // `fail` may be null. from == -1 prints no progress.
    bool ReadExpectRet(const char* pass, const char* fail, int cycles, int from, int to);
    void Drain();

    // The text collected by the last wait.
    const std::string& Reply() const { return reply_; }
    std::string& MutableReply() { return reply_; }

    platform::Clock& clock() { return clock_; }
    platform::ByteLink* port() { return port_.get(); }

private:
    bool WaitToken(const char* pass, const char* fail, int cycles, int cycleMs, const std::function<void(int)>& beforeRead);

    platform::Clock& clock_;
    PortOpener opener_;
    std::unique_ptr<platform::ByteLink> port_;
    std::string portName_;
    int baud_ = 0;
    std::string reply_;
};

// Progress printing shared by the waits: "percent:%d \n", capped at 100.
void PrintPercent(int value);

}  // namespace pirrow
