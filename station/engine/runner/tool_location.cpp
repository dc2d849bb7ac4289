#include "station/engine/runner/tool_location.h"

#include <cstdlib>

#include "platform/paths.h"

namespace station {

std::string ToolPath(const std::string& program) {
    if (const char* dir = std::getenv("TORVANE_TOOL_DIR"); dir && *dir) return platform::JoinPath(dir, program);
    const std::string beside = platform::JoinPath(platform::ExecutableDirectory(), program);
    if (platform::FileExists(beside)) return beside;
    return program;
}

}  // namespace station
