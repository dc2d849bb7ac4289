// Torvane: the station. `--headless` runs it on a terminal; the windows are
// a front end of their own over the same engine.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "station/headless/headless_station.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args)
        if (arg == "--headless") return station::RunHeadless(args);
    std::fprintf(stderr,
                 "Torvane: this build has no windowed front end yet; run the station with "
                 "\"Torvane --headless\" (see --headless --help)\n");
    return 2;
}
