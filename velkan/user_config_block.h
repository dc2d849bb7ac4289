#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace velkan {

// The 224-byte user configuration block that RAM-loader images carry: which
// pins the loader sets, which extra flash chips it recognises, and how it
// reaches and sets the PMIC. Multi-byte fields are little-endian.
constexpr size_t kBlockSize = 224;
constexpr uint32_t kBlockHeader = 0xABCDDBCA;
constexpr uint32_t kBlockVersion = 0xFFFF0002;
constexpr uint32_t kBlockTail = 0xABCDDBCA;
constexpr int kPinRows = 12;
constexpr int kFlashRows = 12;
constexpr int kPmicChannels = 8;

using BlockBytes = std::array<uint8_t, kBlockSize>;

struct PinEntry {
    uint8_t port = 0;  // 0 PA, 1 PB, 2 PBR
    uint8_t pin = 0;
    uint8_t level = 0;
    uint8_t reserved = 0;
};

struct FlashEntry {
    uint8_t type = 0;  // 0 NOR, 1 NAND
    uint8_t cmd = 0;
    uint16_t reserved = 0;
    uint8_t id0 = 0;
    uint8_t id1 = 0;
    uint8_t id2 = 0;
    uint8_t flag = 0;
    uint32_t memSize = 0;
};

struct UserConfigBlock {
    uint32_t header = 0;
    uint32_t version = 0;
    uint16_t pinMask = 0;
    uint16_t flashMask = 0;
    uint16_t pmicEnable = 0;
    uint16_t reserved = 0;
    std::array<PinEntry, kPinRows> pins{};
    std::array<FlashEntry, kFlashRows> flash{};
    uint8_t sclPort = 0;
    uint8_t sclPin = 0;
    uint8_t sdaPort = 0;
    uint8_t sdaPin = 0;
    std::array<uint8_t, kPmicChannels> pmicLevels{};
    uint32_t tail = 0;

    // Header, version and tail hold the marker values.
    bool HasValidMarkers() const;
    // An empty block with its markers set, as every build starts.
    static UserConfigBlock Fresh();
};

// Lossless in both directions: reserved bytes travel with the block.
BlockBytes EncodeBlock(const UserConfigBlock& block);
UserConfigBlock DecodeBlock(const uint8_t* bytes);

// Offset of the first block in an image: the first position p with
// p < size - 224 whose words at p, p + 4 and p + 220 are the header, version
// and tail. A block ending exactly at the end of the image is not taken, and
// images of 224 bytes or less hold none.
std::optional<size_t> FindUserConfig(const uint8_t* data, size_t size);

}  // namespace velkan
