// Torvane: the station. `--headless` runs it on a terminal; without it the
// station opens its windows. Both front ends share the engine and its start-up.
// `--pool-...` are the commands of a number pool shared by several stations.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "station/headless/headless_station.h"
#include "station/headless/pool_command.h"
#include "station/ui/windowed_station.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (station::IsPoolCommand(args)) return station::RunPoolCommand(args);
    for (const std::string& arg : args)
        if (arg == "--headless") return station::RunHeadless(args);
    return station::ui::RunWindowed(argc, argv);
}
