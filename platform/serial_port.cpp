#include "platform/serial_port.h"

#include <errno.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/stop_signal.h"

namespace platform {

namespace {

constexpr int kWriteStallMs = 5000;

// Pseudo-terminals have no modem lines and refuse the calls for them.
bool NoModemLines(int error) { return error == ENOTTY || error == EINVAL; }

}  // namespace

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Fail(SerialOpenFailure why) {
    const int error = errno;
    if (fd_ >= 0) {
        if (locked_) calls_.Release(fd_);
        calls_.Close(fd_);
    }
    fd_ = -1;
    locked_ = false;
    lastError_ = error;
    openFailure_ = why;
    return false;
}

bool SerialPort::Open(const std::string& portName, int baud) {
    Close();
    openFailure_ = SerialOpenFailure::None;
    lastError_ = 0;
    const std::string path = SerialDevicePath(portName);
    fd_ = calls_.Open(path.c_str());
    if (fd_ < 0) return Fail(errno == EBUSY ? SerialOpenFailure::Busy : SerialOpenFailure::Port);
    // TIOCEXCL does not bind root, which station PCs often are: the lock does.
    if (calls_.Lock(fd_) != 0) {
        if (errno == EWOULDBLOCK) errno = EBUSY;
        return Fail(errno == EBUSY ? SerialOpenFailure::Busy : SerialOpenFailure::Port);
    }
    locked_ = true;
    calls_.SetExclusive(fd_);
    // The rate stays as the last user left it (B0 after our own close), so
    // that making the port raw does not raise DTR and RTS.
    if (calls_.SetRaw(fd_) != 0) return Fail(SerialOpenFailure::Port);
    if (baud <= 0) {
        errno = EINVAL;
        return Fail(SerialOpenFailure::BaudRate);
    }
    if (calls_.SetSpeed(fd_, baud) != 0) return Fail(SerialOpenFailure::BaudRate);
    if (calls_.ClearModemLines(fd_) != 0 && !NoModemLines(errno)) return Fail(SerialOpenFailure::Port);
    Purge();
    return true;
}

size_t SerialPort::QueuedBytes() {
    if (fd_ < 0) return 0;
    int n = 0;
    if (ioctl(fd_, FIONREAD, &n) != 0 || n < 0) return 0;
    return size_t(n);
}

// FIONREAD reports at most what the line discipline holds (4095 bytes), so
// a read takes everything up to `max` until the driver has nothing left.
size_t SerialPort::Read(uint8_t* dst, size_t max) {
    if (fd_ < 0) return 0;
    size_t got = 0;
    while (got < max) {
        const ssize_t n = ::read(fd_, dst + got, max - got);
        if (n > 0) {
            got += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) lastError_ = errno;
        break;
    }
    return got;
}

bool SerialPort::Write(const uint8_t* src, size_t n) {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(fd_, src + done, n - done);
        if (w > 0) {
            done += size_t(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            lastError_ = errno;
            return false;
        }
        // Driver queue full: wait until it drains rather than dropping bytes,
        // but not past a stop request (the job is abandoned anyway).
        pollfd p[2] = {{fd_, POLLOUT, 0}, {StopDescriptor(), POLLIN, 0}};
        const int r = ::poll(p, p[1].fd >= 0 ? 2 : 1, kWriteStallMs);
        if (StopRequested()) {
            lastError_ = EINTR;
            return false;
        }
        if (r == 0) {
            lastError_ = ETIMEDOUT;
            return false;
        }
        if (r < 0 && errno != EINTR) {
            lastError_ = errno;
            return false;
        }
        if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            lastError_ = EIO;
            return false;
        }
    }
    return true;
}

void SerialPort::Purge() {
    if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

bool SerialPort::SetBaud(int baud) {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    if (baud <= 0) {
        lastError_ = EINVAL;
        return false;
    }
    if (calls_.SetSpeed(fd_, baud) != 0) {
        lastError_ = errno;
        return false;
    }
    // Leaving B0 raises DTR and RTS; fixtures may wire them to reset or boot.
    if (calls_.ClearModemLines(fd_) != 0 && !NoModemLines(errno)) lastError_ = errno;
    return true;
}

void SerialPort::Close() {
    if (fd_ < 0) return;
    calls_.HangUp(fd_);
    // Given up explicitly: a copy of the descriptor elsewhere must not hold it.
    calls_.Release(fd_);
    calls_.Close(fd_);
    fd_ = -1;
    locked_ = false;
}

bool SerialPort::WaitReadable(Clock&, uint32_t timeoutMs) {
    if (fd_ < 0) return false;
    pollfd p[2] = {{fd_, POLLIN, 0}, {StopDescriptor(), POLLIN, 0}};
    const int r = ::poll(p, p[1].fd >= 0 ? 2 : 1, int(timeoutMs));
    if (r <= 0 || StopRequested()) return false;
    if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
        // A line that hung up polls ready at once: what it still holds is
        // read, then the time passes as with a silent device, not spinning.
        if (QueuedBytes() > 0) return true;
        SleepUnlessStopped(timeoutMs);
        return false;
    }
    return (p[0].revents & POLLIN) != 0;
}

}  // namespace platform
