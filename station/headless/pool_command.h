#pragma once
#include <string>
#include <vector>

namespace station {

// Whether the arguments ask for one of the pool commands.
bool IsPoolCommand(const std::vector<std::string>& args);

// `Torvane --pool-init`, `--pool-status`, `--pool-release STATION_ID[:CH]` in
// the current directory's station root. Returns the exit status: 0 done,
// 1 the pool refused, 2 a connection or usage error.
int RunPoolCommand(const std::vector<std::string>& args);

}  // namespace station
