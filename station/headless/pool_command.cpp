#include "station/headless/pool_command.h"

#include <cstdio>

#include "platform/paths.h"
#include "station/engine/alloc/pool_admin.h"

namespace station {
namespace {

const char* const kPoolUsage =
    "usage: Torvane --pool-init | --pool-status | --pool-release STATION_ID[:CH]\n"
    "Runs in a station root whose Torvane.ini names the pool ([POOL] CONNINFO, POOL_NAME).\n"
    "Exit status: 0 done, 1 the pool refused, 2 a connection or usage error.\n";

}  // namespace

bool IsPoolCommand(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--pool-init" || a == "--pool-status" || a == "--pool-release") return true;
    return false;
}

int RunPoolCommand(const std::vector<std::string>& args) {
    const StationSettings settings(platform::CurrentDirectory());
    PoolCommandResult result;
    if (args.size() == 1 && args[0] == "--pool-init") {
        result = PoolInit(settings);
    } else if (args.size() == 1 && args[0] == "--pool-status") {
        result = PoolStatus(settings);
    } else if (args.size() == 2 && args[0] == "--pool-release") {
        result = PoolRelease(settings, args[1]);
    } else {
        std::fputs(kPoolUsage, stderr);
        return kPoolCommandError;
    }
    std::fputs(result.out.c_str(), stdout);
    std::fputs(result.err.c_str(), stderr);
    return result.status;
}

}  // namespace station
