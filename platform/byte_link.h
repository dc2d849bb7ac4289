#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The operations the tools rely on from a serial line. Implemented by the
// termios serial port; unit tests substitute scripted links.
class ByteLink {
public:
    virtual ~ByteLink() = default;
    virtual bool IsOpen() const = 0;
    // Bytes received and not yet read.
    virtual size_t QueuedBytes() = 0;
    // Reads up to max bytes that are already queued; never blocks.
    virtual size_t Read(uint8_t* dst, size_t max) = 0;
    // Writes every byte (blocking until the driver took them all).
    virtual bool Write(const uint8_t* src, size_t n) = 0;
    bool Write(const std::string& text) { return Write(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }
    // Drops everything queued in both directions.
    virtual void Purge() = 0;
    virtual bool SetBaud(int baud) = 0;
    virtual void Close() = 0;
};

}  // namespace platform
