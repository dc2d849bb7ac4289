#pragma once
// The built-in table of a build directory's images and where each takes its
// flash address from (linker map files, the image itself, a HEX twin).
#include <array>
#include <cstdint>
#include <string>

namespace common {

enum class AddressFrom {
    ImageWord,     // the image's second word
    MainMap,       // the main map, first matching line
    MainMapOrXip,  // the main map; the XIP region wins over the plain one
    LcpuMap,       // lcpu.map
    HexBeside,     // the .hex file of the same name
};

struct PathImageRow {
    AddressFrom from;
    uint32_t defaultAddress;
    const char* fileName;
    const char* altName;    // nullptr: none
    const char* region;     // map pattern of the region
    const char* xipRegion;  // MainMapOrXip only: the pattern that wins
};

// The 16 used rows; the table has room for 20, the last four empty.
constexpr size_t kPathImageRows = 16;
constexpr size_t kPathImageTableSize = 20;
extern const std::array<PathImageRow, kPathImageRows> kPathImageTable;

struct RowAddress {
    uint32_t address = 0;
    bool settled = false;
};
using RowAddresses = std::array<RowAddress, kPathImageRows>;

struct MapsRead {
    bool mainMap = false;  // kq0_ap.map or hcpu.map opened
    bool lcpuMap = false;
};

// Every row's address: its default, then the map files, then the HEX twins.
MapsRead ReadRowAddresses(const std::string& dir, RowAddresses& rows);

// The image's file in the directory: its name, else its alternative name;
// empty when neither exists.
std::string ExistingImagePath(const std::string& dir, const PathImageRow& row);

}  // namespace common
