#include "platform/serial_port.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/paths.h"

namespace platform {

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Open(const std::string& portName, int baud) {
    Close();
    std::string path = SerialDevicePath(portName);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    // Exclusive use: no other process may open the port while a job holds it.
    ioctl(fd, TIOCEXCL);

    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        return false;
    }
    cfmakeraw(&tio);  // no echo, no CR/LF translation, 8 bits
    tio.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    if (!SetBaud(baud)) {
        Close();
        return false;
    }
    // DTR and RTS low, as the boot wiring of the adapters expects; a
    // pseudo-terminal has no modem lines (ENOTTY/EINVAL) and that is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (ioctl(fd_, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
        Close();
        return false;
    }
    Purge();
    return true;
}

size_t SerialPort::QueuedBytes() {
    if (fd_ < 0) return 0;
    int n = 0;
    if (ioctl(fd_, FIONREAD, &n) != 0 || n < 0) return 0;
    return size_t(n);
}

size_t SerialPort::Read(uint8_t* dst, size_t max) {
    if (fd_ < 0 || max == 0) return 0;
    ssize_t n = ::read(fd_, dst, max);
    return n > 0 ? size_t(n) : 0;
}

bool SerialPort::Write(const uint8_t* src, size_t n) {
    if (fd_ < 0) return false;
    size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(fd_, src + done, n - done);
        if (w > 0) {
            done += size_t(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
        // Driver queue full: wait until it drains rather than dropping bytes.
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, 5000) <= 0) return false;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    }
    return true;
}

void SerialPort::Purge() {
    if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

bool SerialPort::SetBaud(int baud) {
    if (fd_ < 0 || baud <= 0) return false;
    return SetCustomBaud(fd_, baud);
}

void SerialPort::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace platform
