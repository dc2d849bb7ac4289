// Boots a 64 KiB RAM loader through the debug port of a virtual QM2A and QM2C
// that move bytes no faster than a 1000000-baud wire, and prints the boot
// time against the wire time of the frames the boot sends and receives.
// The boot also holds the pauses its sequence prescribes (reset settle, the
// loader's start-up text), which are printed beside it.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/log_stamp.h"
#include "common/print_log.h"
#include "devsim/model/device.h"
#include "pirrow/debug_boot.h"
#include "platform/child_process.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/device_link.h"
#include "tests/support/devsim_process.h"

namespace {

constexpr int kBaud = 1000000;
constexpr size_t kLoaderSize = 64 * 1024;

struct Family {
    const char* type;
    pirrow::DebugFrameForm form;
    uint32_t flashAddress;
    // Pauses of the sequence itself: reset settle (short form 1000 + 500 ms;
    // long form 20 ms, and 60 ms of chip preparation), the 2000 ms drain of
    // the loader's start-up text and the 200 ms wake-up.
    double fixedPauseMs;
};


std::vector<char> LoaderImage() {
    std::vector<char> image(kLoaderSize);
    uint32_t x = 7;
    for (auto& b : image) {
        x = x * 1103515245u + 12345u;
        b = char(x >> 16);
    }
    const uint32_t words[2] = {0x20010000, 0x20004125};
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < 4; ++i) image[size_t(4 * w + i)] = char(words[w] >> (8 * i));
    return image;
}

// Bytes both ways of one boot, counted on virtual time against the model.
size_t BootBytes(const Family& family, const std::string& loaderPath) {
    platform::VirtualClock clock;
    devsim::Device device(devsim::DeviceType(family.type), clock);
    testing_support::DeviceLink* link = nullptr;
    pirrow::Session session(clock, [&](const std::string&, int) -> std::unique_ptr<platform::ByteLink> {
        auto made = std::make_unique<testing_support::DeviceLink>(device);
        link = made.get();
        return made;
    });
    session.settings.ramLoaderPath = loaderPath;
    device.Start(devsim::Device::StartMode::BootRom);
    session.link.Open("virtual", kBaud);
    testing_support::CaptureStdout quiet;
    const bool ok = pirrow::DebugPortBoot(session, family.form, kBaud, kBaud);
    quiet.Finish();
    return ok && link ? link->written.size() + link->bytesRead : 0;
}

// Wall time of one boot by the real tool into a rate-limited devsim.
long BootMs(const Family& family, const std::string& dir) {
    testing_support::DevsimProcess devsim;
    if (!devsim.Start({"--device", family.type, "--mode", "bootrom", "--rate-limit", "--state",
                      dir + "/" + family.type + ".state"}))
        return -1;
    char list[200];
    std::snprintf(list, sizeof list, "[FILEINFO]\nNUM=1\nADDR0=0x%x\nFILE0=app.bin\n[UART_PRESET]\nRAM_PATCH=loader.bin\n",
                  family.flashAddress);
    std::ofstream(dir + "/burn.txt") << list;
    const std::string log = dir + "/" + family.type + ".log";
    platform::ChildProcess tool;
    tool.Start({std::string(STATION_BIN_DIR) + "/Pirrow", "--func", "0", "--port", devsim.PtyPath(), "--baund",
                std::to_string(kBaud), "--device", family.type, "--file", "burn.txt", "--loadram", "1", "--log", log},
               dir);
    std::string out;
    while (tool.ReadAvailable(out, 1000)) {
    }
    const int status = tool.Wait();
    devsim.Stop();
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const long start = bench_support::StampOf(text, " open success");
    const long end = bench_support::StampOf(text, "downloadfile: ");
    if (status != 0 || start < 0 || end < 0) return -1;
    return end - start;
}

}  // namespace

int main() {
    char pattern[] = "/tmp/debug_boot_bench_XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::vector<char> loader = LoaderImage();
    std::ofstream(dir + "/loader.bin", std::ios::binary).write(loader.data(), std::streamsize(loader.size()));
    std::ofstream(dir + "/app.bin", std::ios::binary) << std::string(1024, 'a');

    const Family families[] = {
        {"QM2A", pirrow::DebugFrameForm::Short, 0x10020000, 1000 + 500 + 2000 + 200},
        {"QM2C", pirrow::DebugFrameForm::Long, 0x1C020000, 20 + 60 + 2000 + 200},
    };
    int result = 0;
    for (const Family& family : families) {
        const size_t bytes = BootBytes(family, dir + "/loader.bin");
        const long bootMs = BootMs(family, dir);
        if (bytes == 0 || bootMs < 0) {
            std::fprintf(stderr, "%s: boot failed\n", family.type);
            result = 1;
            continue;
        }
        const double wireMs = double(bytes) * 10.0 * 1000.0 / kBaud;  // 8N1: 10 bits a byte
        std::fflush(stderr);
        std::printf("%s: boot %ld ms, frames %zu bytes = %.0f ms on the wire, ratio %.2f; "
                    "without the sequence's own pauses (%.0f ms) %.2f\n",
                    family.type, bootMs, bytes, wireMs, double(bootMs) / wireMs, family.fixedPauseMs,
                    (double(bootMs) - family.fixedPauseMs) / wireMs);
    }
    std::filesystem::remove_all(dir);
    return result;
}
