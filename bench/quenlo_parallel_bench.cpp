// Sixteen channels through J-Link probes at once: 16 Quenlo processes, each
// downloading 4 MiB through its own virtual probe, against one such process
// alone. The tool must idle while the probe works, so the sixteen take about
// as long as one (target: wall time of the sixteen / one alone <= 1.2).
#include <stdlib.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/load_average.h"
#include "bench/tool_run.h"
#include "platform/clock.h"

namespace {

constexpr int kChannels = 16;
constexpr size_t kImageSize = 4 << 20;
constexpr uint32_t kFirstSerial = 59602700;
constexpr double kTarget = 1.2;
const char* const kSpeedKhz = "50000";

// Starts `count` downloads at once and waits for all; the wall time in ms, or -1.
long RunChannels(const std::string& dir, int count) {
    std::vector<std::unique_ptr<platform::ChildProcess>> tools;
    platform::Clock& clock = platform::SystemClock();
    const uint64_t start = clock.NowMs();
    for (int ch = 0; ch < count; ++ch) {
        auto tool = std::make_unique<platform::ChildProcess>();
        const std::string sn = std::to_string(kFirstSerial + uint32_t(ch));
        if (!bench_support::StartTool(*tool, "Quenlo",
                                      {"--func", "0", "--sn", sn, "--device", "QM2B", "--file", "burn.txt", "--baund",
                                       kSpeedKhz, "--log", "ch" + std::to_string(ch) + ".log"},
                                      dir))
            return -1;
        tools.push_back(std::move(tool));
    }
    bool ok = true;
    for (auto& tool : tools) ok = bench_support::FinishTool(*tool) == 0 && ok;
    return ok ? long(clock.NowMs() - start) : -1;
}

}  // namespace

int main() {
    const bench_support::LoadAverageReport load;
    bench_support::ScratchDir dir;
    dir.Write("app.bin", bench_support::PseudoRandomBytes(kImageSize, 7));
    dir.Write("burn.txt", "[FILEINFO]\nNUM=1\nADDR0=0x10020000\nFILE0=app.bin\n");
    std::string serials;
    for (int ch = 0; ch < kChannels; ++ch) {
        if (ch > 0) serials.push_back(',');
        serials.append(std::to_string(kFirstSerial + uint32_t(ch)));
    }
    setenv("JLINK_PATH", (std::string(STATION_BIN_DIR) + "/virtual-jlink").c_str(), 1);
    setenv("DEVSIM_JLINK_PROBES", serials.c_str(), 1);
    unsetenv("DEVSIM_JLINK_STATE");  // no state files: their disk writes are no part of the tool

    const long one = RunChannels(dir.path(), 1);
    const long all = RunChannels(dir.path(), kChannels);
    if (one <= 0 || all <= 0) {
        std::fprintf(stderr, "a download failed\n");
        return 1;
    }
    const double ratio = double(all) / double(one);
    const bool met = ratio <= kTarget;
    std::printf("%d channels %ld ms, one channel %ld ms, ratio %.3f (target <= %.1f): %s\n", kChannels, all, one,
                ratio, kTarget, met ? "met" : "NOT met");
    return met ? 0 : 1;
}
