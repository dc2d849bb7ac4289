#pragma once
#include <string>

#include "platform/byte_link.h"
#include "platform/tty_calls.h"

namespace platform {

// Why an open failed.
enum class SerialOpenFailure {
    None,
    Port,      // the port itself (missing, permission, not a terminal); see LastError()
    Busy,      // another program holds it (LastError() is EBUSY)
    BaudRate,  // the adapter refused the rate; see LastError()
};

// A serial port in raw 8N1 mode without flow control, on a real adapter or on
// a pseudo-terminal (where the virtual devices live). The port is exclusive:
// a second open fails as busy, whoever tries it.
class SerialPort : public ByteLink {
public:
    explicit SerialPort(TtyCalls& calls = SystemTtyCalls()) : calls_(calls) {}
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // portName as the user gave it ("ttyUSB0", "/dev/pts/3").
    bool Open(const std::string& portName, int baud);
    SerialOpenFailure OpenFailure() const { return openFailure_; }
    bool IsOpen() const override { return fd_ >= 0; }
    size_t QueuedBytes() override;
    size_t Read(uint8_t* dst, size_t max) override;
    // Gives up (false) when a stop is requested while the driver is full.
    bool Write(const uint8_t* src, size_t n) override;
    using ByteLink::Write;
    void Purge() override;
    // Sets the rate and then drops DTR and RTS, which the driver raises
    // when the rate leaves B0.
    bool SetBaud(int baud) override;
    // Leaves the port at B0 so that the next open keeps DTR and RTS low.
    void Close() override;
    bool WaitReadable(Clock& clock, uint32_t timeoutMs) override;
    int LastError() const override { return lastError_; }

private:
    bool Fail(SerialOpenFailure why);

    TtyCalls& calls_;
    int fd_ = -1;
    bool locked_ = false;  // the lock (and so the port) is ours
    int lastError_ = 0;
    SerialOpenFailure openFailure_ = SerialOpenFailure::None;
};

// Sets any baud rate, standard or custom (termios2/BOTHER). Lives in its own
// file because the kernel's termios header clashes with <termios.h>.
bool SetCustomBaud(int fd, int baud);
// The output baud rate a terminal is set to (0 when it cannot be read). On a
// pseudo-terminal's master it reads the slave's settings.
int ReadBaud(int fd);

}  // namespace platform
