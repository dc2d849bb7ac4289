// A line of sixteen channels through the station: `Torvane --headless` burns
// the same 4 MiB image at 3000000 baud into sixteen virtual devices that move
// bytes no faster than the wire, against the same run on one channel. The
// station, its tools and the virtual devices must idle while they wait for
// the wire, so the sixteen take about as long as one (target: wall time of
// the sixteen / one <= 1.10). Also reported: the CPU seconds of the station
// itself and of the virtual devices, per job and against the wire time.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/load_average.h"
#include "bench/station_line.h"

namespace {

using bench_support::kLineChannels;

constexpr size_t kImageSize = 4 << 20;
constexpr int kBaud = 3000000;
constexpr double kTarget = 1.10;

struct LineRun {
    long wallMs = -1;
    double stationCpuSeconds = 0;
    double devicesCpuSeconds = 0;
    bool passed = false;
};

// `count` wire-limited devices on channels 1..count, the others off; one run
// of the station over them.
LineRun RunLine(const bench_support::StationLineRoot& root, int count) {
    LineRun run;
    std::vector<std::unique_ptr<testing_support::DevsimProcess>> devices;
    if (!root.StartDevices(count, nullptr, devices)) return run;
    const bench_support::StationRun station = bench_support::RunStation(root, {"--make-list"});
    run.devicesCpuSeconds = bench_support::DevicesCpuSeconds(devices);
    run.stationCpuSeconds = station.stationCpuSeconds;
    run.wallMs = station.wallMs;
    run.passed = station.status == 0;
    if (!run.passed) std::fprintf(stderr, "the line of %d did not pass:\n%s", count, station.out.c_str());
    return run;
}

void PrintCpu(const char* what, const LineRun& run, int jobs, double wireSeconds) {
    std::printf("%s: station CPU %.3f s per job; devsim CPU %.3f s per device = %.1f %% of the wire time\n", what,
                run.stationCpuSeconds / jobs, run.devicesCpuSeconds / jobs,
                100.0 * run.devicesCpuSeconds / jobs / wireSeconds);
}

}  // namespace

int main() {
    const bench_support::LoadAverageReport load;
    const bench_support::StationLineRoot root(kImageSize);
    const LineRun one = RunLine(root, 1);
    const LineRun all = RunLine(root, kLineChannels);
    if (!one.passed || !all.passed) return 1;
    const double ratio = double(all.wallMs) / double(one.wallMs);
    std::printf("%d channels %ld ms, one channel %ld ms, ratio %.3f (target <= %.2f): %s\n", kLineChannels, all.wallMs,
                one.wallMs, ratio, kTarget, ratio <= kTarget ? "met" : "not met");
    const double wireSeconds = bench_support::WireMs(double(kImageSize), kBaud) / 1000.0;
    PrintCpu("one channel", one, 1, wireSeconds);
    PrintCpu("16 channels", all, kLineChannels, wireSeconds);
    return ratio <= kTarget ? 0 : 1;
}
