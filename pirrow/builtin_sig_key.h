#pragma once
#include <cstddef>
#include <cstdint>

namespace pirrow {

constexpr size_t kBuiltinSigKeySize = 294;
extern const uint8_t kBuiltinSigKey[kBuiltinSigKeySize];

}  // namespace pirrow
