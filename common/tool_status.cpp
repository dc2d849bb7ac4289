#include "common/tool_status.h"

#include "common/parse_number.h"

namespace common {

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
