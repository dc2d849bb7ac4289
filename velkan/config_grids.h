#pragma once
#include <array>
#include <optional>
#include <string>

#include "velkan/user_config_block.h"

namespace velkan {

// The texts of the editor's four grids and their switches: what the operator
// sees and types. The block is always built from, and shown into, this form.
struct PinRow {
    bool selected = false;
    std::string type;  // "PA", "PB", "PBR"
    std::string pin;   // decimal
    std::string level; // "1", "0"
    bool operator==(const PinRow&) const = default;
};

struct I2cRow {
    std::string type;  // "PA", "PB"
    std::string pin;   // decimal
    bool operator==(const I2cRow&) const = default;
};

struct FlashRow {
    bool selected = false;
    std::string type;  // "NOR", "NAND"
    std::string cmd;   // hexadecimal, like the rest of the row
    std::string id0, id1, id2, flag, size;
    bool operator==(const FlashRow&) const = default;
};

struct ConfigGrids {
    bool pinOn = false;
    std::array<PinRow, kPinRows> pins;
    bool pmicOn = false;
    I2cRow scl, sda;
    std::array<std::string, kPmicChannels> pmicLevels;
    bool flashOn = false;
    std::array<FlashRow, kFlashRows> flash;
    bool operator==(const ConfigGrids&) const = default;
};

// Names of the PMIC channels in block order.
extern const std::array<const char*, kPmicChannels> kPmicChannelNames;

// Builds the block from the grids. On the first invalid cell returns its
// message and leaves `block` partly filled.
std::optional<std::string> BuildBlockFromGrids(const ConfigGrids& grids, UserConfigBlock& block);

// Fills every row of the grids from a block. A block without its markers is
// refused with its message and the grids stay as they were.
std::optional<std::string> ShowBlock(const UserConfigBlock& block, ConfigGrids& grids);

}  // namespace velkan
