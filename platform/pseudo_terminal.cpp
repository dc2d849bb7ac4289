#include "platform/pseudo_terminal.h"

#include "platform/serial_port.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

PseudoTerminal::~PseudoTerminal() { Close(); }

bool PseudoTerminal::Open() {
    Close();
    int fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
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

long PseudoTerminal::ReadSome(uint8_t* dst, size_t max, int timeoutMs) {
    if (fd_ < 0) return -1;
    pollfd p{fd_, POLLIN, 0};
    int r = ::poll(&p, 1, timeoutMs);
    if (r < 0) return errno == EINTR ? 0 : -1;
    if (r == 0) return 0;
    ssize_t n = ::read(fd_, dst, max);
    if (n < 0) return (errno == EAGAIN || errno == EINTR || errno == EIO) ? 0 : -1;
    return long(n);
}

bool PseudoTerminal::WriteAll(const uint8_t* src, size_t n) {
    size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(fd_, src + done, n - done);
        if (w > 0) {
            done += size_t(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 100);
    }
    return true;
}

long PseudoTerminal::WriteSome(const uint8_t* src, size_t n) {
    if (fd_ < 0) return -1;
    if (n == 0) return 0;
    // A full line must never block the device (it still has to read and
    // answer signals), so the master turns non-blocking here.
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0 && !(flags & O_NONBLOCK)) ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    ssize_t w = ::write(fd_, src, n);
    if (w >= 0) return long(w);
    return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

void PseudoTerminal::Close() {
    if (watch_ >= 0) ::close(watch_);
    watch_ = -1;
    if (slaveKeep_ >= 0) ::close(slaveKeep_);
    if (fd_ >= 0) ::close(fd_);
    slaveKeep_ = fd_ = -1;
}

}  // namespace platform
