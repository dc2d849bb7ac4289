#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace common {

// The tools' status contract. A job's status is 32 bits (0 pass, -1
// failure, a PCBA failure mask), a process status only 8. A tool therefore
// hands the full value over as its last console line "exitcode:0x%x"
// whenever the status is neither 0 nor -1, and exits with a process status
// that is 0 exactly when the status is 0 (the low byte, or 255 when the low
// byte of a failure is 0).
int ProcessExitCode(int32_t status);

// Prints the "exitcode:" line when the status needs it.
void ReportStatus(int32_t status);

// --- The caller's side ---

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
