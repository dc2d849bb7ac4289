// Reads 2 MiB of flash back at 8000000 baud from a virtual device that moves
// bytes no faster than the wire would, and prints how long the data phase
// took against the wire time of its bytes (target: at most 1.05). A read
// that falls behind the wire makes a real adapter without flow control drop
// bytes, so the ratio is what decides whether a line may run the 8 Mbaud
// loader. Exits non-zero when the target is missed.
#include <cstdio>

#include "bench/load_average.h"
#include "bench/log_stamp.h"
#include "bench/tool_run.h"

namespace {

constexpr int kBaud = 8000000;
constexpr unsigned kReadLength = 2u << 20;
constexpr double kTargetRatio = 1.05;

}  // namespace

int main() {
    const bench_support::LoadAverageReport load;
    bench_support::ScratchDir dir;
    if (!dir.ok()) return 1;
    char length[32];
    std::snprintf(length, sizeof length, "0x%x", kReadLength);
    const bench_support::ToolResult run = bench_support::RunPirrowOnDevsim(
        dir, {"--device", "QM2B", "--mode", "loader", "--rate-limit"},
        {"--func", "1", "--baund", std::to_string(kBaud), "--device", "QM2B", "--raddr", "0x10000000", "--rlen", length,
         "--file", "read.bin"});
    const long start = bench_support::StampOf(run.log, "data trans start");
    const long end = bench_support::StampOf(run.log, "data trans over");
    if (run.status != 0 || start < 0 || end < 0) {
        std::fprintf(stderr, "flash read failed (status %d)\n", run.status);
        return 1;
    }
    const double wireMs = bench_support::WireMs(double(kReadLength), kBaud);
    return bench_support::ReportRatio("2 MiB flash read at 8000000 baud", double(end - start), wireMs, kTargetRatio)
               ? 0
               : 1;
}
