#pragma once
#include <cstdint>
#include <string>
#include <functional>
#include <string_view>
#include <vector>

#include "common/image_file.h"

namespace common {

constexpr int kMaxBurnItems = 20;
constexpr uint32_t kSkipAddress = 0xFFFFFFFFu;

// One image of a download.
struct BurnItem {
    uint32_t address = 0;  // kSkipAddress: the download skips the entry
    uint32_t size = 0;     // bytes held in data
    uint32_t crc = 0;      // ImageCrc of a plain image, or the stored CRC of a compressed one
    bool compressed = false;
    std::vector<uint8_t> data;
    std::string path;
};

// The images of a download in file order, plus what reading the list decides
// about the RAM loader and its key.
struct BurnList {
    std::vector<BurnItem> items;
    uint32_t progressTotal = 0;  // bytes the download will move
    std::string ramLoaderPath;   // in: the --driver value; out: the loader to use
    std::string sigKeyPath;      // in: the current key path; out: the key to use
};

// Loader image name for a device type ("ram_patch.bin", "ram_patch_2A_NAND.bin" ...);
// empty for a device type outside the table.
std::string RamLoaderFileName(const std::string& deviceType);

// Reads a burn list file (INI, sections FILEINFO and UART_PRESET). Logs the
// reason and returns false on any failure.
bool GetBurnList(const std::string& fileArg, const std::string& deviceType, BurnList& list);

// Where the images a list names come from: the file system, unless a caller
// that holds them in memory says otherwise. `convertHex` turns a HEX entry
// into its converted image (path and address), false with its log lines.
struct BurnListFiles {
    std::function<ImageRead(const std::string& path, std::vector<uint8_t>& data)> readImage;
    std::function<bool(BurnItem& entry)> convertHex;
};
BurnListFiles FileSystemBurnListFiles();

// GetBurnList on the list's text.
bool ParseBurnList(const std::string& listText, const std::string& deviceType, BurnList& list,
                   const BurnListFiles& files);

// Builds the list from a build directory with the built-in image table and
// the linker map files.
bool GetBurnListPath(const std::string& imageDir, const std::string& deviceType, BurnList& list);

enum class HexResult { Converted, MultiSector, BadRecord, CantWrite };

// Converts an entry's Intel HEX file to "<name>_hex2bin.bin" beside it and
// points the entry at the result (path and address change); a file that is
// not HEX or cannot be read is left to the later read of the entry. A second
// sector that does not continue where the data ended is not supported. On
// failure no output is left behind, the entry's address is the image start
// found so far, and `detail` holds the log line of a bad record or a failed
// write (empty for a second sector, which each program reports its own way).
HexResult ConvertHexToBin(BurnItem& entry, std::string& detail);

// The name of a HEX file's conversion: "<name>_hex2bin.bin" beside it.
std::string HexImagePath(const std::string& hexPath);

// The conversion of a HEX text held in memory, named `hexPath` in its
// messages: the image in `image` and its start in `address` (on failure the
// start found so far), with the results and details of ConvertHexToBin.
HexResult ConvertHexText(std::string_view text, const std::string& hexPath, std::vector<uint8_t>& image,
                         uint32_t& address, std::string& detail);

// ConvertHexToBin with the tool's log lines. Converts an entry's Intel HEX file to "<name>_hex2bin.bin" beside it and
// points the entry at the result (path and address change). Returns false
// when the HEX file has more than one address sector.
bool HexToBin(BurnItem& entry);

}  // namespace common
