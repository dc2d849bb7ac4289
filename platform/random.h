#pragma once
#include <cstdint>

namespace platform {

// 32 bits from the system's random source (not a seeded generator, so two
// stations started in the same second draw different values).
uint32_t RandomU32();

}  // namespace platform
