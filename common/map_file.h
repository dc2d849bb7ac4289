#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace common {

// Calls `onRegionLine` for every line of a linker map file that holds
// "Load Region". False when the file cannot be opened.
bool ForEachLoadRegionLine(const std::string& mapPath, const std::function<void(const std::string&)>& onRegionLine);

// When `line` holds `pattern` ("Load Region LR_IROM1 (Base:"), reads the
// region's base from the fixed column of the linker's layout: ten characters
// from position pattern length + 3 (two blanks before the pattern, one after).
bool MapRegionBase(const std::string& line, const std::string& pattern, uint32_t& address);

}  // namespace common
