#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace common {

// Fields of an Intel HEX line ":CCAAAATTDD...", by character position.
constexpr size_t kHexCountPos = 1;
constexpr size_t kHexAddressPos = 3;
constexpr size_t kHexTypePos = 7;
constexpr size_t kHexDataPos = 9;

enum class HexField { Ok, PastLineEnd, BadDigit };

// Reads `digits` hexadecimal characters of `line` from `pos`. Never reads
// past the line.
HexField ReadHexField(const std::string& line, size_t pos, size_t digits, uint32_t& value);

}  // namespace common
