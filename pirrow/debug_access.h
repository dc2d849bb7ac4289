#pragma once
#include <cstdint>
#include <optional>

#include "pirrow/debug_port.h"

namespace pirrow {

// Register accesses of the boot sequence: each prints its success or error
// line with the address as the sequence names it and the value.
std::optional<uint32_t> ReadMemLogged(DebugPort& port, uint32_t address, bool secondCore = false);
bool WriteMemLogged(DebugPort& port, uint32_t address, uint32_t value, bool secondCore = false);
// The same write, reported with the "WriteMemSingle" lines.
bool WriteMemSingleLogged(DebugPort& port, uint32_t address, uint32_t value);

}  // namespace pirrow
