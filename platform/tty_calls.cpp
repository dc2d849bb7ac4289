#include "platform/tty_calls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/serial_port.h"

namespace platform {

int TtyCalls::Open(const char* path) { return ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); }

int TtyCalls::Lock(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB); }

int TtyCalls::SetExclusive(int fd) { return ::ioctl(fd, TIOCEXCL); }

int TtyCalls::SetRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return -1;
    cfmakeraw(&tio);  // no echo, no CR/LF translation, 8 bits
    tio.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &tio);
}

int TtyCalls::SetSpeed(int fd, int baud) { return SetCustomBaud(fd, baud) ? 0 : -1; }

int TtyCalls::HangUp(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return -1;
    cfsetospeed(&tio, B0);
    cfsetispeed(&tio, B0);
    return tcsetattr(fd, TCSADRAIN, &tio);
}

int TtyCalls::ClearModemLines(int fd) {
    int lines = TIOCM_DTR | TIOCM_RTS;
    return ::ioctl(fd, TIOCMBIC, &lines);
}

int TtyCalls::Release(int fd) {
    const int shared = ::ioctl(fd, TIOCNXCL);
    return ::flock(fd, LOCK_UN) == 0 ? shared : -1;
}

int TtyCalls::Close(int fd) { return ::close(fd); }

TtyCalls& SystemTtyCalls() {
    static TtyCalls calls;
    return calls;
}

}  // namespace platform
