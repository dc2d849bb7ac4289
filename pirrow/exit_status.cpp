#include "pirrow/exit_status.h"

#include "common/print_log.h"
#include "pirrow/session.h"

namespace pirrow {

int ProcessExitCode(int32_t status) {
    if (status == 0) return 0;
    int low = int(uint32_t(status) & 0xFFu);
    return low != 0 ? low : 255;
}

void ReportStatus(int32_t status) {
    if (status != 0 && status != -1) common::PrintConsole("exitcode:0x%x\n", unsigned(status));
}

void ReportStatus(Session& s, int32_t status) {
    if (s.statusReported) return;
    s.statusReported = true;
    ReportStatus(status);
}

}  // namespace pirrow
