#pragma once

namespace platform {

// The terminal calls a serial port makes, in one place, so that tests can
// see which calls a port makes and in what order (a pseudo-terminal shows
// little of the modem lines). Each returns 0, or -1 with errno set.
class TtyCalls {
public:
    virtual ~TtyCalls() = default;
    // Returns the descriptor, or -1.
    virtual int Open(const char* path);
    // flock(LOCK_EX | LOCK_NB): binds every process, root included.
    virtual int Lock(int fd);
    // TIOCEXCL: no further opens by unprivileged processes.
    virtual int SetExclusive(int fd);
    // Raw 8N1, no flow control, reads that never block; the rate is kept.
    virtual int SetRaw(int fd);
    // Any rate, standard or not.
    virtual int SetSpeed(int fd, int baud);
    // Rate B0 once the output has left: the driver drops DTR and RTS and
    // keeps them low at the next open.
    virtual int HangUp(int fd);
    // DTR and RTS low.
    virtual int ClearModemLines(int fd);
    // Gives the port up before the close: TIOCNXCL and flock(LOCK_UN). A
    // child being started elsewhere in the process holds a copy of every
    // descriptor until it runs its program, and that copy would keep both
    // the lock and (on a terminal someone else keeps open) the exclusive
    // mode after our close, so the next program would find the port busy.
    virtual int Release(int fd);
    virtual int Close(int fd);
};

// The real calls.
TtyCalls& SystemTtyCalls();

}  // namespace platform
