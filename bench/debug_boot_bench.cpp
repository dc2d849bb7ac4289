// Boots a 64 KiB RAM loader through the debug port of a virtual QM2A and QM2C
// that move bytes no faster than a 1000000-baud wire, and prints the boot
// time against the wire time of the bytes that boot moved, both from one run.
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/load_average.h"
#include "bench/log_stamp.h"
#include "bench/tool_run.h"

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

// A loader whose vector table points into RAM.
std::string LoaderImage() {
    std::string image = bench_support::PseudoRandomBytes(kLoaderSize, 7);
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
Boot RunBoot(const Family& family) {
    Boot boot;
    bench_support::ScratchDir dir;
    dir.Write("loader.bin", LoaderImage());
    dir.Write("app.bin", std::string(kAppSize, 'a'));
    char list[200];
    std::snprintf(list, sizeof list, "[FILEINFO]\nNUM=1\nADDR0=0x%x\nFILE0=app.bin\n[UART_PRESET]\nRAM_PATCH=loader.bin\n",
                  family.flashAddress);
    dir.Write("burn.txt", list);
    const bench_support::ToolResult run = bench_support::RunPirrowOnDevsim(
        dir, {"--device", family.type, "--mode", "bootrom", "--rate-limit", "--loader", dir.Path("loader.bin")},
        {"--func", "0", "--baund", std::to_string(kBaud), "--device", family.type, "--file", "burn.txt", "--loadram",
         "1"});
    const std::string& text = run.log;
    using bench_support::StampOf;
    const long start = StampOf(text, " open success");
    const long end = StampOf(text, "downloadfile: ");
    // Reset settle: from the vector catch to the answered reset write (short form).
    const long caught = StampOf(text, "WriteMem success: 0xf000edfc 0x01000001");
    const long reset = StampOf(text, "WriteMem success: 0xf000ed0c ");
    // Drain and wake-up: from the core's start to the first image.
    const long running = StampOf(text, "WriteMem success: 0xf000edf0 0xa05f0001");
    const long lineBytes = long(run.lineBytes);
    if (run.status != 0 || start < 0 || end < 0 || running < 0 || lineBytes < 0) return boot;
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
    const bench_support::LoadAverageReport load;
    const Family families[] = {{"QM2A", 0x10020000}, {"QM2C", 0x1C020000}};
    int result = 0;
    for (const Family& family : families) {
        const Boot boot = RunBoot(family);
        if (boot.bootMs < 0) {
            std::fprintf(stderr, "%s: boot failed\n", family.type);
            result = 1;
            continue;
        }
        const double wireMs = bench_support::WireMs(double(boot.bytes), kBaud);
        const double ratio = (double(boot.bootMs) - double(boot.pausesMs)) / wireMs;
        const bool met = ratio <= kTargetRatio;
        std::printf("%s: boot %ld ms, of it the sequence's own pauses %ld ms; %lld bytes = %.0f ms on the wire; "
                    "boot without pauses / wire %.2f (target <= %.2f): %s\n",
                    family.type, boot.bootMs, boot.pausesMs, boot.bytes, wireMs, ratio, kTargetRatio,
                    met ? "met" : "NOT met");
        if (!met) result = 1;
    }
    return result;
}
