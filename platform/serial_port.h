#pragma once
#include <string>

#include "platform/byte_link.h"

namespace platform {

// A serial port in raw 8N1 mode without flow control, on a real adapter or on
// a pseudo-terminal (where the virtual devices live).
class SerialPort : public ByteLink {
public:
    SerialPort() = default;
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // portName as the user gave it ("ttyUSB0", "/dev/pts/3").
    bool Open(const std::string& portName, int baud);
    bool IsOpen() const override { return fd_ >= 0; }
    size_t QueuedBytes() override;
    size_t Read(uint8_t* dst, size_t max) override;
    bool Write(const uint8_t* src, size_t n) override;
    using ByteLink::Write;
    void Purge() override;
    bool SetBaud(int baud) override;
    void Close() override;

private:
    int fd_ = -1;
};

// Sets any baud rate, standard or custom (termios2/BOTHER). Lives in its own
// file because the kernel's termios header clashes with <termios.h>.
bool SetCustomBaud(int fd, int baud);
// The output baud rate a terminal is set to (0 when it cannot be read). On a
// pseudo-terminal's master it reads the slave's settings.
int ReadBaud(int fd);

}  // namespace platform
