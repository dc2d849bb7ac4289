#pragma once
#include <cstdint>

namespace pirrow {

struct Session;

// A job's status is 32 bits (0 pass, -1 failure, a PCBA failure mask), a
// process status only 8. The tool therefore hands the full value over as its
// last console line "exitcode:0x%x" whenever the status is neither 0 nor -1,
// and exits with a process status that is 0 exactly when the status is 0
// (the low byte, or 255 when the low byte of a failure is 0).
int ProcessExitCode(int32_t status);

// Prints the "exitcode:" line when the status needs it.
void ReportStatus(int32_t status);

// The same, once per session.
// A job calls it right after its last console line, before the port
// clean-up, so that a caller has the whole status before the process ends.
void ReportStatus(Session& s, int32_t status);

}  // namespace pirrow
