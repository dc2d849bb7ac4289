// A line in loop monitoring: sixteen channels, each a row of four boards
// plugged in one after another into the same cable (`devsim --line 4`, wire
// limited), the station re-arming at once after each reset (MODE_TYPE 2,
// POST_ACT 1, `--jobs 4`) and burning a 256 KiB image at 3000000 baud. Every
// hand-over of a port between the station's boot-mode entry and its tool
// happens while other channels start their tools. Target: all 64 pass, in
// every run ("loop_line_bench N" runs it N times in a row; default 1). A run
// that misses keeps its station root for a look at the logs.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/load_average.h"
#include "bench/station_line.h"

namespace {

using bench_support::kLineChannels;

constexpr size_t kImageSize = 256 << 10;
constexpr int kDevicesPerChannel = 4;
// A board that failed leaves its channel waiting for the next one, which
// never comes: the run is stopped then.
constexpr uint64_t kStationLimitMs = 180000;

// The verdict lines of the station's output ("chN PASS ..."); the count of PASS.
int CountPasses(const std::string& out, std::string& others) {
    int passes = 0;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.find(" start") != std::string::npos) continue;
        if (line.find(" PASS ") != std::string::npos) ++passes;
        else others += line + "\n";
    }
    return passes;
}

bool RunOnce(int number) {
    bench_support::StationLineRoot root(kImageSize);
    root.Set("COMMON_SET", "MODE_TYPE", "2");
    root.Set("LOG_SET", "POST_ACT", "1");
    root.Set("LOG_SET", "CHANEL_LOG", "1");
    std::vector<std::unique_ptr<testing_support::DevsimProcess>> devices;
    const auto line = [&root](int ch) {
        const std::string dir = root.Path("line" + std::to_string(ch));
        std::filesystem::create_directories(dir);
        return std::vector<std::string>{"--line", std::to_string(kDevicesPerChannel), "--state-dir", dir};
    };
    if (!root.StartDevices(kLineChannels, line, devices)) {
        std::fprintf(stderr, "run %d: a devsim did not start\n", number);
        return false;
    }
    const bench_support::StationRun station = bench_support::RunStation(
        root, {"--make-list", "--jobs", std::to_string(kDevicesPerChannel)}, kStationLimitMs);
    const double devicesCpu = bench_support::DevicesCpuSeconds(devices);
    devices.clear();
    std::string others;
    const int passes = CountPasses(station.out, others);
    const int all = kLineChannels * kDevicesPerChannel;
    std::printf("run %d: %d of %d passed, station exit %d, %ld ms; CPU: station %.2f s, devsims %.2f s\n", number,
                passes, all, station.status, station.wallMs, station.stationCpuSeconds, devicesCpu);
    std::fflush(stdout);
    if (passes == all && station.status == 0) return true;
    std::printf("%s", others.c_str());
    const std::string kept = root.path() + ".kept";
    std::filesystem::rename(root.path(), kept);
    std::printf("station root kept in %s\n", kept.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const bench_support::LoadAverageReport load;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    int passedRuns = 0;
    for (int k = 1; k <= runs; ++k) passedRuns += RunOnce(k) ? 1 : 0;
    std::printf("%d of %d runs passed every device\n", passedRuns, runs);
    return passedRuns == runs ? 0 : 1;
}
