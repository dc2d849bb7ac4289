#pragma once
#include <string>
#include <vector>

namespace station {

// `Torvane --headless ...`: runs the station in the current directory until
// every started channel's jobs have ended. Returns the process exit status:
// 0 every job passed, 1 a job ended FAIL or OVER, 2 start-up or the start
// refused, or no channel could be started.
int RunHeadless(const std::vector<std::string>& args);

}  // namespace station
