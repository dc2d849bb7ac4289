// Kept apart from serial_port.cpp: <asm/termbits.h> redefines struct termios.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace platform {

bool SetCustomBaud(int fd, int baud) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_cflag &= ~(CBAUD << IBSHIFT);
    tio.c_cflag |= BOTHER << IBSHIFT;
    tio.c_ispeed = unsigned(baud);
    tio.c_ospeed = unsigned(baud);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

int ReadBaud(int fd) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return 0;
    return int(tio.c_ospeed);
}

}  // namespace platform
