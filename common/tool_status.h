#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace common {

// The tools' status contract, caller side. A job's status is 32 bits (0 pass,
// -1 failure, or the PCBA mask of failed items) but a process status has 8,
// so a tool whose status is neither 0 nor -1 prints the full value as its
// last console line "exitcode:0x<hex>" and exits with a non-zero low byte.

inline constexpr std::string_view kExitCodeKey = "exitcode:";

// The value of an "exitcode:" console line (the key may stand anywhere in
// the line), or nothing when the line is not one.
std::optional<uint32_t> ExitCodeLineValue(std::string_view line);

// processStatus: the 8-bit exit status, or -1 when the tool died of a signal.
// 0 is a pass whatever was printed; otherwise the value of the last
// "exitcode:" line when there was one, else -1. An "exitcode:" value of 0
// cannot turn a failed process into a pass.
int32_t DecodeToolStatus(int processStatus, std::optional<uint32_t> exitCodeLine);

}  // namespace common
