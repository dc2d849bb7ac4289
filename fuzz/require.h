#pragma once
// Stops a fuzz run when a property the code promises does not hold.

namespace fuzz_support {

inline void Require(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace fuzz_support
