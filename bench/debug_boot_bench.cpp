// Boots a 64 KiB RAM loader through the debug port of a virtual QM2A and QM2C
// that move bytes no faster than a 1000000-baud wire, and prints the boot
// time against the wire time of the bytes that boot moved, both from one run.
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/log_stamp.h"
#include "common/print_log.h"
#include "platform/child_process.h"
#include "tests/support/devsim_process.h"

namespace {

constexpr int kBaud = 1000000;
constexpr size_t kLoaderSize = 64 * 1024;

struct Family {
    const char* type;
    uint32_t flashAddress;
};

// Boot time against the wire time of the bytes the boot moved. The boot holds
// pauses its sequence prescribes (the short form's reset settle, the drain of
// the loader's start-up text and the wake-up after it); they are measured
// from the log of the same run and set apart.
constexpr double kTargetRatio = 1.5;
constexpr size_t kAppSize = 4;

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

struct Boot {
    long bootMs = -1;
    long pausesMs = 0;
    long long bytes = -1;
};

// One download by the real tool into a rate-limited devsim: the boot's time
// and pauses from the tool's log, its bytes from what devsim counted on the
// line, less the image step after the boot (command, image, RX_WAIT, OK).
Boot RunBoot(const Family& family, const std::string& dir) {
    Boot boot;
    testing_support::DevsimProcess devsim;
    if (!devsim.Start({"--device", family.type, "--mode", "bootrom", "--rate-limit", "--loader", dir + "/loader.bin",
                       "--state", dir + "/" + family.type + ".state"}))
        return boot;
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
    using bench_support::StampOf;
    const long start = StampOf(text, " open success");
    const long end = StampOf(text, "downloadfile: ");
    // Reset settle: from the vector catch to the answered reset write (short form).
    const long caught = StampOf(text, "WriteMem success: 0xf000edfc 0x01000001");
    const long reset = StampOf(text, "WriteMem success: 0xf000ed0c ");
    // Drain and wake-up: from the core's start to the first image.
    const long running = StampOf(text, "WriteMem success: 0xf000edf0 0xa05f0001");
    const long lineBytes = long(devsim.LineBytes());
    if (status != 0 || start < 0 || end < 0 || running < 0 || lineBytes < 0) return boot;
    char command[64];
    const int commandLength =
        std::snprintf(command, sizeof command, "burn_erase_write 0x%x 0x%zx\r", family.flashAddress, kAppSize);
    boot.bootMs = end - start;
    boot.pausesMs = (end - running) + (caught >= 0 && reset >= 0 ? reset - caught : 0);
    boot.bytes = lineBytes - commandLength - long(kAppSize) - long(std::strlen("RX_WAIT\r\nOK\r\n"));
    return boot;
}

}  // namespace

int main() {
    char pattern[] = "/tmp/debug_boot_bench_XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::vector<char> loader = LoaderImage();
    std::ofstream(dir + "/loader.bin", std::ios::binary).write(loader.data(), std::streamsize(loader.size()));
    std::ofstream(dir + "/app.bin", std::ios::binary) << std::string(kAppSize, 'a');

    const Family families[] = {{"QM2A", 0x10020000}, {"QM2C", 0x1C020000}};
    int result = 0;
    bool failed = false;
    for (const Family& family : families) {
        const Boot boot = RunBoot(family, dir);
        if (boot.bootMs < 0) {
            std::fprintf(stderr, "%s: boot failed (log kept in %s)\n", family.type, dir.c_str());
            result = 1;
            failed = true;
            continue;
        }
        const double wireMs = double(boot.bytes) * 10.0 * 1000.0 / kBaud;  // 8N1: 10 bits a byte
        const double ratio = (double(boot.bootMs) - double(boot.pausesMs)) / wireMs;
        const bool met = ratio <= kTargetRatio;
        std::printf("%s: boot %ld ms, of it the sequence's own pauses %ld ms; %lld bytes = %.0f ms on the wire; "
                    "boot without pauses / wire %.2f (target <= %.2f): %s\n",
                    family.type, boot.bootMs, boot.pausesMs, boot.bytes, wireMs, ratio, kTargetRatio,
                    met ? "met" : "NOT met");
        if (!met) result = 1;
    }
    if (!failed) std::filesystem::remove_all(dir);
    return result;
}
