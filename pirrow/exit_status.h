#pragma once
#include <cstdint>

#include "common/exit_status.h"

namespace pirrow {

struct Session;

// The "exitcode:" line of the status contract (common/exit_status.h), once
// per run. A job calls it right after its last console line, before the port
// clean-up, so that a caller has the whole status before the process ends.
void ReportStatus(Session& s, int32_t status);

}  // namespace pirrow
