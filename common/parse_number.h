#pragma once
#include <cstdint>
#include <string_view>

namespace common {

// Number arguments of the tools. With "0x" anywhere the text is hexadecimal,
// else decimal; digits are read from the last character backwards, blanks
// (and for decimal CR/LF) are skipped, any other character ends the scan.
// No sign is interpreted; arithmetic wraps at 32 bits.
uint32_t ParseNumber(std::string_view text);

}  // namespace common
