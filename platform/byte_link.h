#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace platform {

// The operations the tools rely on from a serial line. Implemented by the
// termios serial port; unit tests substitute scripted links.
class ByteLink {
public:
    virtual ~ByteLink() = default;
    virtual bool IsOpen() const = 0;
    // Bytes received and not yet read (a real tty reports at most what its
    // line discipline holds, so this is a hint, never a read size).
    virtual size_t QueuedBytes() = 0;
    // Reads up to max bytes, everything the driver holds; never blocks.
    virtual size_t Read(uint8_t* dst, size_t max) = 0;
    // Writes every byte (blocking until the driver took them all).
    virtual bool Write(const uint8_t* src, size_t n) = 0;
    bool Write(const std::string& text) { return Write(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }
    // Drops everything queued in both directions.
    virtual void Purge() = 0;
    virtual bool SetBaud(int baud) = 0;
    virtual void Close() = 0;
    // Waits up to timeoutMs (on `clock`) until bytes are queued; returns
    // early, false, when a stop is requested. This default looks once a
    // millisecond; a real port sleeps in poll() instead.
    virtual bool WaitReadable(Clock& clock, uint32_t timeoutMs);
    // The system's error number of the last failed operation (0: none known).
    virtual int LastError() const { return 0; }
};

}  // namespace platform
