// Dastrel: gathers the calibration results of the channel logs in the current
// directory into result.txt and shows it.
#include <cstdio>
#include <cstring>
#include <string>

#include "dastrel/result_collector.h"
#include "platform/desktop_open.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
    bool open = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-open") == 0) open = false;
    }
    const std::string dir = platform::CurrentDirectory();
    if (!dastrel::CollectCalibrationResults(dir)) {
        std::fprintf(stderr, "cannot create %s\n", platform::JoinPath(dir, dastrel::kResultFileName).c_str());
        return 0;
    }
    const std::string result = platform::JoinPath(dir, dastrel::kResultFileName);
    if (!open || !platform::OpenWithDesktop(result)) std::printf("%s\n", result.c_str());
    return 0;
}
