// Programs a 4 MiB plain image at 3000000 baud into a virtual device that
// moves bytes no faster than the wire would, and prints how long the image
// phase took against the wire time of its bytes (target: at most 1.05).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>

#include "bench/log_stamp.h"
#include "platform/child_process.h"
#include "tests/support/devsim_process.h"

namespace {

constexpr int kBaud = 3000000;
constexpr size_t kImageSize = 4 << 20;


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

    testing_support::DevsimProcess device;
    if (!device.Start({"--device", "QM2B", "--mode", "loader", "--rate-limit", "--state", dir + "/state"})) {
        std::fprintf(stderr, "devsim did not start\n");
        return 1;
    }
    platform::ChildProcess tool;
    const std::string log = dir + "/run.log";
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
    std::filesystem::remove_all(dir);
    if (status != 0 || start < 0 || end < 0) {
        std::fprintf(stderr, "download failed (status %d)\n", status);
        return 1;
    }
    // 10 bits per byte on the wire (8N1).
    const double wireMs = double(kImageSize) * 10.0 * 1000.0 / kBaud;
    const double phaseMs = double(end - start);
    std::printf("image phase %.0f ms, wire time %.0f ms, ratio %.3f (target <= 1.05)\n", phaseMs, wireMs,
                phaseMs / wireMs);
    return 0;
}
