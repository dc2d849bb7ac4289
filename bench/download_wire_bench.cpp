// Programs a 4 MiB plain image at 3000000 baud into a virtual device that
// moves bytes no faster than the wire would, and prints how long the image
// phase took against the wire time of its bytes (target: at most 1.05), once
// with flash work taking no time and once with --flash-timing (against the
// wire time plus the flash's own time).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>

#include "bench/log_stamp.h"
#include "devsim/model/flash_timing.h"
#include "platform/child_process.h"
#include "tests/support/devsim_process.h"

namespace {

constexpr int kBaud = 3000000;
constexpr uint32_t kImageSize = 4 << 20;
constexpr uint32_t kAddress = 0x10020000;
constexpr double kTargetRatio = 1.05;

// The image phase (from "burn_erase_write" to its success line) of one run,
// in ms, or -1.
long ImagePhaseMs(const std::string& dir, bool flashTiming) {
    testing_support::DevsimProcess device;
    std::vector<std::string> options{"--device", "QM2B", "--mode", "loader", "--rate-limit", "--state", dir + "/state"};
    if (flashTiming) options.push_back("--flash-timing");
    if (!device.Start(options)) {
        std::fprintf(stderr, "devsim did not start\n");
        return -1;
    }
    platform::ChildProcess tool;
    const std::string log = dir + "/run.log";
    std::remove(log.c_str());
    tool.Start({std::string(STATION_BIN_DIR) + "/Pirrow", "--func", "0", "--port", device.PtyPath(), "--baund",
                std::to_string(kBaud), "--device", "QM2B", "--file", "burn.txt", "--log", log},
               dir);
    std::string out;
    while (tool.ReadAvailable(out, 1000)) {
    }
    const int status = tool.Wait();
    device.Stop();
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const long start = bench_support::StampOf(text, "burn_erase_write ");
    const long end = bench_support::StampOf(text, "download_image_simple_thread success");
    if (status != 0 || start < 0 || end < 0) {
        std::fprintf(stderr, "download failed (status %d)\n", status);
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
    char pattern[] = "/tmp/download_bench_XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    std::vector<char> image(kImageSize);
    uint32_t x = 1;
    for (auto& b : image) {
        x = x * 1103515245u + 12345u;
        b = char(x >> 16);
    }
    std::ofstream(dir + "/app.bin", std::ios::binary).write(image.data(), std::streamsize(image.size()));
    std::ofstream(dir + "/burn.txt") << "[FILEINFO]\nNUM=1\nADDR0=0x10020000\nFILE0=app.bin\n";

    // 10 bits per byte on the wire (8N1).
    const double wireMs = double(kImageSize) * 10.0 * 1000.0 / kBaud;
    int result = 0;
    for (const bool flashTiming : {false, true}) {
        const long phaseMs = ImagePhaseMs(dir, flashTiming);
        if (phaseMs < 0) {
            result = 1;
            continue;
        }
        // With flash timing the loader's own flash time adds to the wire's.
        const double deviceMs = wireMs + (flashTiming ? FlashMs() : 0.0);
        const double ratio = double(phaseMs) / deviceMs;
        const bool met = ratio <= kTargetRatio;
        std::printf("%s: image phase %ld ms, wire time %.0f ms%s, ratio %.3f (target <= %.2f): %s\n",
                    flashTiming ? "flash timing on" : "flash timing off", phaseMs, wireMs,
                    flashTiming ? (" + flash time " + std::to_string(long(FlashMs())) + " ms").c_str() : "", ratio,
                    kTargetRatio, met ? "met" : "NOT met");
        if (!met) result = 1;
    }
    std::filesystem::remove_all(dir);
    return result;
}
