#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace common {

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data);

}  // namespace common
