#include "velkan/config_grids.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "velkan/messages.h"

namespace velkan {

const std::array<const char*, kPmicChannels> kPmicChannelNames = {
    "PMIC_1V8_LVW100_1",   "PMIC_1V8_LVW100_2",   "PMIC_1V8_LVW100_3", "PMIC_1V8_LVW100_4",
    "PMIC_1V8_LVW100_5",   "PMIC_VBAT_HVSW150_1", "PMIC_VBAT_HVSW150_2", "PMIC_LDO33_VOUT",
};

namespace {

// Cells are read like strtol/strtoul read them: leading blanks, an optional
// sign, then digits up to the first other character; no digits read as 0.
// The caller keeps the field's width of the result.
uint64_t ReadDecimal(const std::string& text) { return uint64_t(std::strtoll(text.c_str(), nullptr, 10)); }
uint64_t ReadHex(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 16); }

std::string Decimal(unsigned value) { return std::to_string(value); }
std::string Level(uint8_t value) { return std::string(1, value ? '1' : '0'); }
std::string Hex(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", value);
    return buf;
}

uint8_t PinPort(const std::string& type) {
    if (type == "PA") return 0;
    if (type == "PB") return 1;
    return 2;
}

const char* PinPortName(uint8_t port) {
    if (port == 0) return "PA";
    if (port == 1) return "PB";
    return "PBR";
}

std::optional<std::string> BuildPins(const ConfigGrids& grids, UserConfigBlock& block) {
    for (int i = 0; i < kPinRows; ++i) {
        const PinRow& row = grids.pins[size_t(i)];
        PinEntry& entry = block.pins[size_t(i)];
        const bool inUse = grids.pinOn && row.selected;
        if (inUse) block.pinMask |= uint16_t(1u << i);
        entry.port = PinPort(row.type);
        if (!row.pin.empty()) {
            entry.pin = uint8_t(ReadDecimal(row.pin));
        } else if (inUse) {
            return msg::PinValueError(i);
        }
        entry.level = uint8_t(ReadDecimal(row.level));
    }
    return std::nullopt;
}

std::optional<std::string> BuildPmic(const ConfigGrids& grids, UserConfigBlock& block) {
    if (grids.pmicOn) block.pmicEnable = 1;
    block.sclPort = grids.scl.type == "PA" ? 0 : 1;
    if (!grids.scl.pin.empty()) {
        block.sclPin = uint8_t(ReadDecimal(grids.scl.pin));
    } else if (grids.pmicOn) {
        return msg::PmicSclPinError();
    }
    block.sdaPort = grids.sda.type == "PA" ? 0 : 1;
    if (!grids.sda.pin.empty()) {
        block.sdaPin = uint8_t(ReadDecimal(grids.sda.pin));
    } else if (grids.pmicOn) {
        return msg::PmicSdaPinError();
    }
    for (int i = 0; i < kPmicChannels; ++i) block.pmicLevels[size_t(i)] = uint8_t(ReadDecimal(grids.pmicLevels[size_t(i)]));
    return std::nullopt;
}

std::optional<std::string> BuildFlash(const ConfigGrids& grids, UserConfigBlock& block) {
    for (int i = 0; i < kFlashRows; ++i) {
        const FlashRow& row = grids.flash[size_t(i)];
        FlashEntry& entry = block.flash[size_t(i)];
        const bool inUse = grids.flashOn && row.selected;
        if (inUse) block.flashMask |= uint16_t(1u << i);
        entry.type = row.type == "NOR" ? 0 : 1;
        entry.cmd = uint8_t(ReadHex(row.cmd));
        // A hex cell of a row in use must not be empty; unused rows store 0.
        struct Cell {
            const std::string& text;
            const char* name;
        };
        const Cell cells[] = {{row.id0, "id0"}, {row.id1, "id1"}, {row.id2, "id2"}, {row.flag, "flag"}, {row.size, "mem_size"}};
        uint64_t values[5] = {};
        for (size_t c = 0; c < 5; ++c) {
            if (!cells[c].text.empty()) {
                values[c] = ReadHex(cells[c].text);
            } else if (inUse) {
                return msg::FlashValueError(i, cells[c].name);
            }
        }
        entry.id0 = uint8_t(values[0]);
        entry.id1 = uint8_t(values[1]);
        entry.id2 = uint8_t(values[2]);
        entry.flag = uint8_t(values[3]);
        entry.memSize = uint32_t(values[4]);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> BuildBlockFromGrids(const ConfigGrids& grids, UserConfigBlock& block) {
    block = UserConfigBlock::Fresh();
    if (auto error = BuildPins(grids, block)) return error;
    if (auto error = BuildPmic(grids, block)) return error;
    return BuildFlash(grids, block);
}

std::optional<std::string> ShowBlock(const UserConfigBlock& block, ConfigGrids& grids) {
    if (!block.HasValidMarkers()) return msg::FileFlagError(block.header, block.tail, block.version);
    grids.pinOn = block.pinMask != 0;
    for (int i = 0; i < kPinRows; ++i) {
        const PinEntry& entry = block.pins[size_t(i)];
        grids.pins[size_t(i)] = PinRow{(block.pinMask >> i & 1) != 0, PinPortName(entry.port), Decimal(entry.pin),
                                       Level(entry.level)};
    }
    grids.pmicOn = block.pmicEnable != 0;
    grids.scl = I2cRow{block.sclPort ? "PB" : "PA", Decimal(block.sclPin)};
    grids.sda = I2cRow{block.sdaPort ? "PB" : "PA", Decimal(block.sdaPin)};
    for (int i = 0; i < kPmicChannels; ++i) grids.pmicLevels[size_t(i)] = Level(block.pmicLevels[size_t(i)]);
    grids.flashOn = block.flashMask != 0;
    for (int i = 0; i < kFlashRows; ++i) {
        const FlashEntry& entry = block.flash[size_t(i)];
        grids.flash[size_t(i)] = FlashRow{(block.flashMask >> i & 1) != 0, entry.type ? "NAND" : "NOR", Hex(entry.cmd),
                                          Hex(entry.id0), Hex(entry.id1), Hex(entry.id2), Hex(entry.flag), Hex(entry.memSize)};
    }
    return std::nullopt;
}

}  // namespace velkan
