#include "common/exit_status.h"

#include "common/parse_number.h"
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

std::optional<uint32_t> ExitCodeLineValue(std::string_view line) {
    const size_t at = line.find(kExitCodeKey);
    if (at == std::string_view::npos) return std::nullopt;
    return ParseNumber(line.substr(at + kExitCodeKey.size()));
}

int32_t DecodeToolStatus(int processStatus, std::optional<uint32_t> exitCodeLine) {
    if (processStatus == 0) return 0;
    if (exitCodeLine && *exitCodeLine != 0) return int32_t(*exitCodeLine);
    return -1;
}

}  // namespace common
