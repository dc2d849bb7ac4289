#include "pirrow/debug_frame.h"

#include <algorithm>
#include <utility>

namespace pirrow {

namespace {

constexpr uint8_t kMagic0 = 0x7E;
constexpr uint8_t kMagic1 = 0x79;
constexpr uint8_t kChannel = 0x10;
constexpr uint8_t kReadOp[2] = {0x40, 0x72};
constexpr uint8_t kWriteOp[2] = {0x40, 0x77};
constexpr char kModeTag[] = "ATQMXF";
constexpr uint8_t kEnterCode[2] = {0x05, 0x21};
constexpr uint8_t kLeaveCode[2] = {0x18, 0x21};

bool BigEndian(DebugFrameForm form) { return form == DebugFrameForm::Long; }

void Put16(Bytes& out, DebugFrameForm form, uint16_t v) {
    if (BigEndian(form)) {
        out.push_back(uint8_t(v >> 8));
        out.push_back(uint8_t(v));
    } else {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    }
}

void Put32(Bytes& out, DebugFrameForm form, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        int shift = BigEndian(form) ? 24 - 8 * i : 8 * i;
        out.push_back(uint8_t(v >> shift));
    }
}

Bytes Header(DebugFrameForm form, size_t payloadLength) {
    // Short: the channel as 16 bits; long: a zero word, then the channel as 32 bits.
    static constexpr uint8_t kShortTail[] = {kChannel, 0};
    static constexpr uint8_t kLongTail[] = {0, 0, 0, 0, kChannel, 0, 0, 0};
    Bytes out;
    out.reserve(DebugHeaderSize(form) + payloadLength);
    out.push_back(kMagic0);
    out.push_back(kMagic1);
    Put16(out, form, uint16_t(payloadLength));
    if (form == DebugFrameForm::Long) {
        for (uint8_t b : kLongTail) out.push_back(b);
    } else {
        for (uint8_t b : kShortTail) out.push_back(b);
    }
    return out;
}

Bytes ModeFrame(DebugFrameForm form, const uint8_t code[2]) {
    Bytes out = Header(form, 8);
    out.insert(out.end(), kModeTag, kModeTag + 6);
    out.insert(out.end(), code, code + 2);
    return out;
}

}  // namespace

size_t DebugHeaderSize(DebugFrameForm form) { return form == DebugFrameForm::Long ? 12 : 6; }

Bytes EnterDebugFrame(DebugFrameForm form) { return ModeFrame(form, kEnterCode); }

Bytes LeaveDebugFrame(DebugFrameForm form) { return ModeFrame(form, kLeaveCode); }

Bytes ReadWordFrame(DebugFrameForm form, uint32_t busAddress) {
    Bytes out = Header(form, 8);
    out.insert(out.end(), kReadOp, kReadOp + 2);
    Put32(out, form, busAddress);
    Put16(out, form, 1);
    return out;
}

Bytes WriteWordsHeader(DebugFrameForm form, uint32_t busAddress, size_t paddedLength) {
    Bytes out = Header(form, paddedLength + 8);
    out.insert(out.end(), kWriteOp, kWriteOp + 2);
    Put32(out, form, busAddress);
    Put16(out, form, uint16_t(paddedLength / 4));
    return out;
}

Bytes WriteWordsData(DebugFrameForm form, const uint8_t* data, size_t n) {
    Bytes out(data, data + n);
    out.resize(RoundUpToWord(n), 0);
    if (BigEndian(form)) {
        for (size_t i = 0; i < out.size(); i += 4) {
            std::swap(out[i], out[i + 3]);
            std::swap(out[i + 1], out[i + 2]);
        }
    }
    return out;
}

Bytes ShortReply(DebugFrameForm form, uint8_t marker) {
    Bytes out = Header(form, 2);
    out.push_back(marker);
    out.push_back(kDebugAck);
    return out;
}

Bytes ReadReplyHead(DebugFrameForm form) {
    Bytes out = Header(form, 6);
    out.push_back(kDebugReadReply);
    return out;
}

size_t DebugReplyStart(const std::string& held, const Bytes& pattern, size_t count) {
    count = std::min(count, pattern.size());
    for (size_t start = 0; start < held.size(); ++start) {
        size_t n = std::min(held.size() - start, count);
        if (std::equal(held.begin() + long(start), held.begin() + long(start + n), pattern.begin(),
                       [](char a, uint8_t b) { return uint8_t(a) == b; }))
            return start;
    }
    return held.size();
}

uint32_t ReadReplyWord(DebugFrameForm form, const uint8_t* b) {
    if (BigEndian(form)) return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    return uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0];
}

uint32_t DebugBusAddress(DebugFrameForm form, uint32_t a, bool secondCore) {
    auto in = [a](uint32_t first, uint32_t last) { return a >= first && a <= last; };
    if (form == DebugFrameForm::Short) {
        if (in(0xE0000000, 0xEFFFFFFF)) return a | 0xF0000000;
        if (in(0x00000000, 0x0000FFFF)) return a + 0xA0000000;
        if (in(0x10000000, 0x1FFFFFFF)) return (a & 0x0FFFFFFF) | 0x60000000;
        return a;
    }
    if (in(0xE0000000, 0xEFFFFFFF)) return secondCore ? (a & 0x0FFFFFFF) | 0x30000000 : a | 0xF0000000;
    if (in(0x00400000, 0x0041FFFF)) return a + 0x20000000;
    if (in(0x20C00000, 0x20C1FFFF)) return a - 0x00800000;
    if (in(0x20000000, 0x200C7FFF)) return a + 0x0A000000;
    if (in(0x20800000, 0x20BFFFFF)) return a - 0x20800000;
    if (in(0x10000000, 0x1FFFFFFF)) return a + 0x50000000;
    return a;
}

}  // namespace pirrow
