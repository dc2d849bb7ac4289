#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pirrow/reply_wait.h"
#include "platform/byte_link.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace pirrow {

// Why a port did not open: the failure kind and the system's error number.
struct PortOpenError {
    platform::SerialOpenFailure failure = platform::SerialOpenFailure::None;
    int error = 0;
};

// Opens a port by name at a baud rate; tests substitute scripted links.
using PortOpener =
    std::function<std::unique_ptr<platform::ByteLink>(const std::string& portName, int baud, PortOpenError& why)>;
PortOpener SerialPortOpener();

// Bytes a wait may hold: the reply stays a terminated text of at most this.
constexpr size_t kReplyLimit = 81919;
constexpr size_t kDrainLimit = 20478;

// Who speaks on the other end, as far as an interrupted job must know: only
// a RAM loader waiting for its next command may be told to restart.
enum class LoaderState { Absent, AtCommand, InTransfer };

// The serial link to the boot ROM or RAM loader: port set-up, sending, and
// the wait routines. The reply of the last wait stays readable.
class UartLink : public ReplySource {
public:
    UartLink(platform::Clock& clock, PortOpener opener) : clock_(clock), opener_(std::move(opener)) {}

    // Opens `portName` at `baud` in raw 8N1 without flow control and purges
    // it; a failure is logged with its cause.
    bool Open(const std::string& portName, int baud);
    void Close();
    bool IsOpen() const { return port_ && port_->IsOpen(); }
    // A rate the adapter refuses is logged and fails at once.
    bool SetBaud(int baud);
    int Baud() const { return baud_; }
    const std::string& PortName() const { return portName_; }
    void Purge();

    // A failed write is logged with its cause.
    bool Send(const std::string& text);
    bool SendBytes(const uint8_t* data, size_t n);
    // Sends a loader command and logs it as "%s\n".
    bool SendLogged(const std::string& command);

    // Reads everything queued now (at most `max` bytes) and appends it to `out`.
    size_t ReadQueued(std::string& out, size_t max);
    size_t Queued();
    // Waits until bytes are queued or the clock reaches `deadlineUs`;
    // true when bytes are there. Throws JobInterrupted on a stop request.
    bool WaitForData(uint64_t deadlineUs) override;
    size_t ReadReply(std::string& out, size_t max) override { return ReadQueued(out, max); }

    bool WaitRxWait(int timeoutMs);
    bool WaitOk(int timeoutMs);
    // WaitOk, where the answer is only in once `complete` also holds (or its
    // cycle has ended): for an "OK" with more to say on the lines after it.
    bool WaitOkUntil(int timeoutMs, const std::function<bool(const std::string& reply)>& complete);
    bool WaitOkProgress(int timeoutMs, int from, int to);
    // `fail` may be null. from == -1 prints no progress.
    bool ReadExpectRet(const char* pass, const char* fail, int cycles, int from, int to);
    void Drain();

    // The text collected by the last wait.
    const std::string& Reply() const { return reply_; }
    std::string& MutableReply() { return reply_; }

    LoaderState loaderState() const { return loaderState_; }
    void SetLoaderState(LoaderState state) { loaderState_ = state; }

    platform::Clock& clock() override { return clock_; }
    platform::ByteLink* port() { return port_.get(); }

private:
    // Waits for `pass` (or `fail`, when given) and logs the reply; a full
    // reply ends the wait when `endWhenFull`.
    bool WaitToken(const char* pass, const char* fail, int cycles, int cycleMs, const std::function<void(int)>& progress,
                   bool endWhenFull = false, const std::function<bool(const std::string&)>& alsoComplete = nullptr);

    platform::Clock& clock_;
    PortOpener opener_;
    std::unique_ptr<platform::ByteLink> port_;
    std::string portName_;
    int baud_ = 0;
    std::string reply_;
    LoaderState loaderState_ = LoaderState::Absent;
};

// Progress printing shared by the waits: "percent:%d \n", capped at 100.
void PrintPercent(int value);

}  // namespace pirrow
