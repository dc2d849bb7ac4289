#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pirrow {

// Frame forms of the boot ROM's debug port: short for QM2A (little-endian
// fields, 6-byte header), long for QM2C (big-endian fields, 12-byte header).
enum class DebugFrameForm { Short, Long };

using Bytes = std::vector<uint8_t>;

// Core debug registers, by processor address.
constexpr uint32_t kDhcsr = 0xE000EDF0;
constexpr uint32_t kDcrsr = 0xE000EDF4;
constexpr uint32_t kDcrdr = 0xE000EDF8;
constexpr uint32_t kDemcr = 0xE000EDFC;
constexpr uint32_t kDhcsrRegisterReady = 1u << 16;

// Reply payload markers.
constexpr uint8_t kDebugAck = 0x06;
constexpr uint8_t kDebugEnterReply = 0xD1;
constexpr uint8_t kDebugLeaveReply = 0xD0;
constexpr uint8_t kDebugReadReply = 0xD2;
constexpr uint8_t kDebugWriteReply = 0xD3;

size_t DebugHeaderSize(DebugFrameForm form);

// Complete frames (14 bytes short, 20 bytes long).
Bytes EnterDebugFrame(DebugFrameForm form);
Bytes LeaveDebugFrame(DebugFrameForm form);
// Read of one word at a bus address.
Bytes ReadWordFrame(DebugFrameForm form, uint32_t busAddress);
// Header of a write: frame header, 0x40 0x77, address and word count for
// `paddedLength` data bytes (a multiple of 4); the data follows as a second write.
Bytes WriteWordsHeader(DebugFrameForm form, uint32_t busAddress, size_t paddedLength);
// The data of a write: padded with zero to a multiple of 4; in the long form
// every word is turned big-endian.
Bytes WriteWordsData(DebugFrameForm form, const uint8_t* data, size_t n);

// The replies the tool waits for, byte for byte.
Bytes ShortReply(DebugFrameForm form, uint8_t marker);  // enter, leave, write: marker 0x06
Bytes ReadReplyHead(DebugFrameForm form);               // header and 0xD2 (7 or 13 bytes)
// Where a reply of `count` bytes matching `pattern` may start in the bytes
// held so far (the match may run off their end): the bytes before it are
// line noise. held.size() when no place fits.
size_t DebugReplyStart(const std::string& held, const Bytes& pattern, size_t count);
// The four data bytes of a read reply as a word, in the form's byte order.
uint32_t ReadReplyWord(DebugFrameForm form, const uint8_t* bytes);

constexpr size_t RoundUpToWord(size_t n) { return (n + 3) & ~size_t(3); }

// Maps a processor address to the debug port's bus address; `secondCore`
// selects the second core's debug registers in the long form.
uint32_t DebugBusAddress(DebugFrameForm form, uint32_t address, bool secondCore = false);

}  // namespace pirrow
