// Programs a 4 MiB plain image at 3000000 baud into a virtual device that
// moves bytes no faster than the wire would, and prints how long the image
// phase took against the wire time of its bytes (target: at most 1.05), once
// with flash work taking no time and once with --flash-timing (against the
// wire time plus the flash's own time). Also printed: devsim's CPU seconds
// for pacing the download, against the wire time (target: at most 10 %).
#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/load_average.h"
#include "bench/log_stamp.h"
#include "bench/tool_run.h"
#include "devsim/model/flash_timing.h"

namespace {

using bench_support::StampOf;

constexpr int kBaud = 3000000;
constexpr uint32_t kImageSize = 4 << 20;
constexpr double kTargetRatio = 1.05;
constexpr double kDeviceCpuShare = 0.10;

// The image phase (from "burn_erase_write" to its success line) of one run,
// in ms, or -1; devsim's CPU seconds over the run in `deviceCpuSeconds`.
long ImagePhaseMs(bool flashTiming, double& deviceCpuSeconds) {
    bench_support::ScratchDir dir;
    dir.Write("app.bin", bench_support::PseudoRandomBytes(kImageSize, 1));
    dir.Write("burn.txt", "[FILEINFO]\nNUM=1\nADDR0=0x10020000\nFILE0=app.bin\n");
    std::vector<std::string> device{"--device", "QM2B", "--mode", "loader", "--rate-limit"};
    if (flashTiming) device.push_back("--flash-timing");
    const bench_support::ToolResult run = bench_support::RunPirrowOnDevsim(
        dir, device, {"--func", "0", "--baund", std::to_string(kBaud), "--device", "QM2B", "--file", "burn.txt"});
    deviceCpuSeconds = run.deviceCpuSeconds;
    const long start = StampOf(run.log, "burn_erase_write ");
    const long end = StampOf(run.log, "download_image_simple_thread success");
    if (run.status != 0 || start < 0 || end < 0) {
        std::fprintf(stderr, "download failed (status %d)\n", run.status);
        return -1;
    }
    return end - start;
}

// The flash's own time for the image with --flash-timing: each 128 KiB
// block is erased before it is asked for and programmed after it arrived.
double FlashMs() {
    const devsim::FlashTiming timing{true};
    double ms = 0;
    for (uint32_t offset = 0; offset < kImageSize; offset += 0x20000) {
        const uint32_t block = std::min<uint32_t>(0x20000, kImageSize - offset);
        ms += timing.EraseMs(block) + timing.ProgramMs(block);
    }
    return ms;
}

}  // namespace

int main() {
    const bench_support::LoadAverageReport load;
    const double wireMs = bench_support::WireMs(kImageSize, kBaud);
    bool met = true;
    for (const bool flashTiming : {false, true}) {
        double deviceCpuSeconds = -1;
        const long phaseMs = ImagePhaseMs(flashTiming, deviceCpuSeconds);
        if (phaseMs < 0) {
            met = false;
            continue;
        }
        // With flash timing the loader's own flash time adds to the wire's.
        if (flashTiming)
            met = bench_support::ReportRatio("flash timing on, image phase", double(phaseMs), wireMs + FlashMs(),
                                             kTargetRatio, "wire time + flash time") && met;
        else
            met = bench_support::ReportRatio("flash timing off, image phase", double(phaseMs), wireMs, kTargetRatio) &&
                  met;
        const double share = deviceCpuSeconds * 1000.0 / wireMs;
        const bool idle = deviceCpuSeconds >= 0 && share <= kDeviceCpuShare;
        std::printf("  devsim CPU %.2f s = %.1f %% of the wire time (target <= %.0f %%): %s\n", deviceCpuSeconds,
                    100.0 * share, 100.0 * kDeviceCpuShare, idle ? "met" : "NOT met");
        met = idle && met;
    }
    return met ? 0 : 1;
}
