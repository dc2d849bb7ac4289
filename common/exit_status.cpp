#include "common/exit_status.h"

#include "common/print_log.h"

namespace common {

int ProcessExitCode(int32_t status) {
    if (status == 0) return 0;
    const int low = int(uint32_t(status) & 0xFFu);
    return low != 0 ? low : 255;
}

void ReportStatus(int32_t status) {
    if (status != 0 && status != -1) PrintConsole("exitcode:0x%x\n", unsigned(status));
}

}  // namespace common
