#pragma once
#include <cstdint>
#include <string>

#include "pirrow/session.h"

namespace pirrow {

// Where read data goes when no file name is given.
constexpr const char* kDefaultReadFile = "testdata.bin";

// Receives `total` raw bytes into `fileName` (kDefaultReadFile when empty),
// never reading past `total`, and hands back their ImageCrc. Without a file
// name the complete 16-byte lines are also printed on the console.
bool UartRecvToFile(Session& s, const std::string& fileName, int timeoutMs, uint32_t total, uint32_t& crc);

// The loader's checksum in a read reply: the ten characters after "CRC:",
// read as hexadecimal from the last one backwards.
struct LoaderCrc {
    bool found = false;       // "CRC:" is in the reply
    bool wellFormed = false;  // the ten characters are "0x" and eight hex digits
    uint32_t value = 0;
};
LoaderCrc FindLoaderCrc(const std::string& reply);

}  // namespace pirrow
