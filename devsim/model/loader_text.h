#pragma once
#include <cstdint>
#include <string_view>

namespace devsim {

// Numbers in loader commands: "0x"-prefixed hexadecimal or decimal, the
// whole word, at most 32 bits.
bool ParseLoaderNumber(std::string_view text, uint32_t& value);

// "burn_erase_all_factory <base>" erases the region at <base> except its
// production (factory) area: the region's last 1 MiB. For QM2A_NAND that is
// 0x63F00000-0x63FFFFFF.
constexpr uint32_t kFactoryAreaSize = 0x100000;

}  // namespace devsim
