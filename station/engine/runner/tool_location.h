#pragma once
#include <string>

namespace station {

// Where the station finds its tools ("Pirrow", "Quenlo"): in the directory
// named by TORVANE_TOOL_DIR when that is set, else beside the running station
// program, else on the search path (the bare name is returned).
std::string ToolPath(const std::string& program);

}  // namespace station
