#pragma once
#include <cstdint>

namespace pirrow {

// Download progress: bytes moved against bytes to move, printed as
// "percent:%d \n" whenever the whole percentage changes.
struct Progress {
    uint32_t total = 0;
    uint32_t done = 0;
    uint32_t lastPercent = 0;

    void Reset() { *this = {}; }
    // Counts bytes without printing (the RAM loader's packets).
    void CountSilently(uint32_t bytes) { done += bytes; }
    // Counts bytes and prints the percentage when it changed.
    void Count(uint32_t bytes);
};

}  // namespace pirrow
