#pragma once
// How long the loader's flash work takes, from the figures of a fast serial
// NOR flash: a 64 KiB block erases in 60 ms, a 256-byte page programs in
// 0.25 ms (1 MB/s). With them every time limit of the tools holds with
// margin: a packed block of 2 MiB (erase and program, 4.0 s) against the
// 8 s wait for its RX_WAIT, a plain block of 128 KiB (0.25 s) against 3 s,
// the erase of a 16 MiB region (15.4 s) against 60 s and of 32 MiB (30.7 s)
// against 120 s. Off, flash work takes no time (the default, so tests stay
// fast).
#include <cstdint>

namespace devsim {

struct FlashTiming {
    bool enabled = false;

    static constexpr uint32_t kEraseBlock = 0x10000;
    static constexpr uint32_t kEraseBlockUs = 60000;
    static constexpr uint32_t kPage = 256;
    static constexpr uint32_t kPageUs = 250;

    uint32_t EraseMs(uint32_t length) const { return Ms(Units(length, kEraseBlock) * kEraseBlockUs); }
    uint32_t ProgramMs(uint32_t length) const { return Ms(Units(length, kPage) * kPageUs); }

private:
    static uint64_t Units(uint32_t length, uint32_t unit) { return (uint64_t(length) + unit - 1) / unit; }
    uint32_t Ms(uint64_t us) const { return enabled ? uint32_t((us + 999) / 1000) : 0; }
};

}  // namespace devsim
