#include "velkan/user_config_block.h"

#include <cstring>

namespace velkan {
namespace {

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

constexpr size_t kPinsOffset = 16;
constexpr size_t kPinSize = 4;
constexpr size_t kFlashOffset = 64;
constexpr size_t kFlashSize = 12;
constexpr size_t kPmicOffset = 208;
constexpr size_t kTailOffset = 220;

}  // namespace

bool UserConfigBlock::HasValidMarkers() const {
    return header == kBlockHeader && version == kBlockVersion && tail == kBlockTail;
}

UserConfigBlock UserConfigBlock::Fresh() {
    UserConfigBlock block;
    block.header = kBlockHeader;
    block.version = kBlockVersion;
    block.tail = kBlockTail;
    return block;
}

BlockBytes EncodeBlock(const UserConfigBlock& b) {
    BlockBytes out{};
    uint8_t* p = out.data();
    Put32(p + 0, b.header);
    Put32(p + 4, b.version);
    Put16(p + 8, b.pinMask);
    Put16(p + 10, b.flashMask);
    Put16(p + 12, b.pmicEnable);
    Put16(p + 14, b.reserved);
    for (int i = 0; i < kPinRows; ++i) {
        uint8_t* e = p + kPinsOffset + kPinSize * size_t(i);
        const PinEntry& pin = b.pins[size_t(i)];
        e[0] = pin.port;
        e[1] = pin.pin;
        e[2] = pin.level;
        e[3] = pin.reserved;
    }
    for (int i = 0; i < kFlashRows; ++i) {
        uint8_t* e = p + kFlashOffset + kFlashSize * size_t(i);
        const FlashEntry& f = b.flash[size_t(i)];
        e[0] = f.type;
        e[1] = f.cmd;
        Put16(e + 2, f.reserved);
        e[4] = f.id0;
        e[5] = f.id1;
        e[6] = f.id2;
        e[7] = f.flag;
        Put32(e + 8, f.memSize);
    }
    uint8_t* m = p + kPmicOffset;
    m[0] = b.sclPort;
    m[1] = b.sclPin;
    m[2] = b.sdaPort;
    m[3] = b.sdaPin;
    std::memcpy(m + 4, b.pmicLevels.data(), kPmicChannels);
    Put32(p + kTailOffset, b.tail);
    return out;
}

UserConfigBlock DecodeBlock(const uint8_t* p) {
    UserConfigBlock b;
    b.header = Get32(p + 0);
    b.version = Get32(p + 4);
    b.pinMask = Get16(p + 8);
    b.flashMask = Get16(p + 10);
    b.pmicEnable = Get16(p + 12);
    b.reserved = Get16(p + 14);
    for (int i = 0; i < kPinRows; ++i) {
        const uint8_t* e = p + kPinsOffset + kPinSize * size_t(i);
        b.pins[size_t(i)] = PinEntry{e[0], e[1], e[2], e[3]};
    }
    for (int i = 0; i < kFlashRows; ++i) {
        const uint8_t* e = p + kFlashOffset + kFlashSize * size_t(i);
        FlashEntry& f = b.flash[size_t(i)];
        f.type = e[0];
        f.cmd = e[1];
        f.reserved = Get16(e + 2);
        f.id0 = e[4];
        f.id1 = e[5];
        f.id2 = e[6];
        f.flag = e[7];
        f.memSize = Get32(e + 8);
    }
    const uint8_t* m = p + kPmicOffset;
    b.sclPort = m[0];
    b.sclPin = m[1];
    b.sdaPort = m[2];
    b.sdaPin = m[3];
    std::memcpy(b.pmicLevels.data(), m + 4, kPmicChannels);
    b.tail = Get32(p + kTailOffset);
    return b;
}

std::optional<size_t> FindUserConfig(const uint8_t* data, size_t size) {
    if (size <= kBlockSize) return std::nullopt;
    // Header and version sit side by side: search for those 8 bytes at once
    // (memmem is far faster than a byte-by-byte compare on megabyte images).
    uint8_t lead[8];
    Put32(lead, kBlockHeader);
    Put32(lead + 4, kBlockVersion);
    const size_t lastStart = size - kBlockSize - 1;  // p < size - 224
    size_t from = 0;
    while (from <= lastStart) {
        // The lead may start at any p <= lastStart; it needs 8 bytes after p.
        const void* hit = memmem(data + from, lastStart - from + sizeof lead, lead, sizeof lead);
        if (!hit) return std::nullopt;
        size_t p = size_t(static_cast<const uint8_t*>(hit) - data);
        if (Get32(data + p + kTailOffset) == kBlockTail) return p;
        from = p + 1;
    }
    return std::nullopt;
}

}  // namespace velkan
