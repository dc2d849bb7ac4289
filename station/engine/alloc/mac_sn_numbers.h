#pragma once
// The text forms of MAC addresses and serial-number counters, shared by the
// allocation, the bookkeeping entries and the spreadsheet.
#include <cstdint>
#include <optional>
#include <string>

namespace station {

// "%04X%08X" of the 48-bit value: 12 upper-case hexadecimal digits.
std::string FormatMac(uint64_t value);

// Exactly 12 hexadecimal digits (either case) → the 48-bit value.
std::optional<uint64_t> ParseMac(const std::string& text);

// The counter width W: the length of START_VALUE, limited to 5..9.
int SnCounterWidth(const std::string& startValue);

// The largest value the width can show (10^W − 1); counters stop below it.
uint64_t SnCounterMaximum(int width);

// Exactly `width` decimal digits → the value.
std::optional<uint64_t> ParseSnCounter(const std::string& text, int width);

// The value zero-padded to the width.
std::string FormatSnCounter(uint64_t value, int width);

// UP_VALUE as a step: one below 1 would hand one number to every device.
inline uint64_t CounterIncrement(int upValue) { return upValue < 1 ? 1 : uint64_t(upValue); }

}  // namespace station
