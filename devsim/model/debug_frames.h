#pragma once
// Frames of the boot ROM's debug port as the chip sees them. Short form
// (QM2A): magic 7E 79, 16-bit length, channel 10 00, payload; fields
// little-endian. Long form (QM2C): magic, 16-bit length, four zero bytes,
// channel 10 00 00 00, payload; length, address, count and data words
// big-endian.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace devsim {

enum class DebugForm { Short, Long };

using ByteString = std::vector<uint8_t>;

// One request, decoded.
struct DebugRequest {
    enum class Kind { Enter, Leave, Read, Write, Other };
    Kind kind = Kind::Other;
    uint32_t busAddress = 0;
    uint16_t wordCount = 0;
    std::vector<uint32_t> words;  // the data of a write, as values
};

// Assembles frames from the bytes of the line, which may arrive in any
// pieces. Feed it bytes one at a time.
class DebugFrameReader {
public:
    explicit DebugFrameReader(DebugForm form) : form_(form) {}

    enum class Step {
        NeedMore,  // the byte belongs to a frame still coming
        Frame,     // the byte completed a frame: take it with Take()
        NotFrame,  // the byte cannot start or continue a frame; nothing was kept
    };
    Step Push(uint8_t byte);
    DebugRequest Take();
    bool InFrame() const { return !buffer_.empty(); }
    void Reset() { buffer_.clear(); }

private:
    size_t HeaderSize() const;
    uint32_t PayloadLength() const;
    DebugRequest Decode() const;

    DebugForm form_;
    ByteString buffer_;
};

// The longest payload the port takes: a write of 64 KiB.
constexpr size_t kMaxDebugPayload = 8 + 0x10000;

// Reply frames.
// Reply markers; every reply ends with kDebugAck.
constexpr uint8_t kDebugAck = 0x06;
constexpr uint8_t kDebugEnterReply = 0xD1;
constexpr uint8_t kDebugLeaveReply = 0xD0;
constexpr uint8_t kDebugReadReply = 0xD2;
constexpr uint8_t kDebugWriteReply = 0xD3;

ByteString DebugReply(DebugForm form, uint8_t marker);  // marker then 0x06
ByteString DebugReadReply(DebugForm form, const std::vector<uint32_t>& words);

}  // namespace devsim
