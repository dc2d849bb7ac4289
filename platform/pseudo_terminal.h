#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The master side of a pseudo-terminal: a virtual device holds it and a tool
// opens the slave path as its serial port.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool Open();
    const std::string& SlavePath() const { return slavePath_; }
    // Reads what the line holds now, at most `max` bytes, without waiting;
    // returns the count (0: nothing there), or -1 when the master cannot be
    // read any more.
    long ReadNow(uint8_t* dst, size_t max);
    // Bytes the program on the slave side sent that wait to be read.
    size_t QueuedIn() const;
    // Writes what the line takes now without waiting; returns the bytes
    // written (0 when it is full), or -1 when the master cannot be written.
    long WriteSome(const uint8_t* src, size_t n);
    // Sleeps up to timeoutUs, or (`input`) less once input waits.
    void Wait(uint64_t timeoutUs, bool input);
    void Close();
    int fd() const { return fd_; }

    // Who uses the line: the programs that opened the slave path (devsim's
    // own keep-alive handle is not counted).
    struct Use {
        bool opened = false;  // a program opened it since the last call
        int holders = 0;      // programs holding it open now
    };
    Use PollUse();
    // The baud rate the program on the slave side set (custom rates
    // included); 0 when it cannot be read.
    int LineBaud() const;

private:
    int fd_ = -1;
    int slaveKeep_ = -1;  // keeps the slave side alive between tool runs
    int watch_ = -1;      // inotify descriptor watching the slave path
    int holders_ = 0;
    std::string slavePath_;
};

}  // namespace platform
