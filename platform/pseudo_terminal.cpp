#include "platform/pseudo_terminal.h"

#include "platform/serial_port.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

PseudoTerminal::~PseudoTerminal() { Close(); }

bool PseudoTerminal::Open() {
    Close();
    // Non-blocking: a full or empty line must never hold the device up (it
    // still has to keep time and answer signals).
    int fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    if (grantpt(fd) != 0 || unlockpt(fd) != 0) {
        ::close(fd);
        return false;
    }
    char name[128];
    if (ptsname_r(fd, name, sizeof name) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    slavePath_ = name;
    // Holding the slave open ourselves keeps the line from hanging up when a
    // tool closes it, so the next tool run finds the device still there.
    slaveKeep_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveKeep_ >= 0) {
        termios tio{};
        if (tcgetattr(slaveKeep_, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(slaveKeep_, TCSANOW, &tio);
        }
    }
    // Opens and closes of the slave path tell when a tool takes the line.
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE) < 0) {
        ::close(watch_);
        watch_ = -1;
    }
    holders_ = 0;
    return true;
}

PseudoTerminal::Use PseudoTerminal::PollUse() {
    Use use;
    if (watch_ >= 0) {
        alignas(inotify_event) char buf[4096];
        for (;;) {
            const ssize_t n = ::read(watch_, buf, sizeof buf);
            if (n <= 0) break;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                if (e->mask & IN_OPEN) {
                    ++holders_;
                    use.opened = true;
                }
                if ((e->mask & IN_CLOSE) && holders_ > 0) --holders_;
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
    }
    use.holders = holders_;
    return use;
}

int PseudoTerminal::LineBaud() const { return fd_ < 0 ? 0 : ReadBaud(fd_); }

long PseudoTerminal::ReadNow(uint8_t* dst, size_t max) {
    if (fd_ < 0) return -1;
    if (max == 0) return 0;
    const ssize_t n = ::read(fd_, dst, max);
    if (n >= 0) return long(n);
    // EIO: no program holds the slave side at this moment.
    return (errno == EAGAIN || errno == EINTR || errno == EIO) ? 0 : -1;
}

size_t PseudoTerminal::QueuedIn() const {
    int n = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &n) != 0 || n < 0) return 0;
    return size_t(n);
}

long PseudoTerminal::WriteSome(const uint8_t* src, size_t n) {
    if (fd_ < 0) return -1;
    if (n == 0) return 0;
    const ssize_t w = ::write(fd_, src, n);
    if (w >= 0) return long(w);
    return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

void PseudoTerminal::Wait(uint64_t timeoutUs, bool input) {
    const timespec timeout{time_t(timeoutUs / 1000000), long(timeoutUs % 1000000) * 1000};
    pollfd p{fd_, POLLIN, 0};
    // Not watching input, the descriptor stays out of the poll: a line that
    // holds input or hung up would cut the sleep short.
    ::ppoll(&p, input && fd_ >= 0 ? 1 : 0, &timeout, nullptr);
}

void PseudoTerminal::Close() {
    if (watch_ >= 0) ::close(watch_);
    watch_ = -1;
    if (slaveKeep_ >= 0) ::close(slaveKeep_);
    if (fd_ >= 0) ::close(fd_);
    slaveKeep_ = fd_ = -1;
}

}  // namespace platform
