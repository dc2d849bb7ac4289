// A line of sixteen channels through the station: `Torvane --headless` burns
// the same 4 MiB image at 3000000 baud into sixteen virtual devices that move
// bytes no faster than the wire, against the same run on one channel. The
// station and its tools must idle while they wait for the wire, so the
// sixteen take about as long as one (target: wall time of the sixteen / one
// <= 1.10). Also reported: the station's own CPU seconds per job.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/ini_profile.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "tests/support/devsim_process.h"

namespace {

constexpr int kChannels = 16;
constexpr size_t kImageSize = 4 << 20;
constexpr double kTarget = 1.10;

struct LineRun {
    long wallMs = -1;
    double stationCpuSeconds = 0;  // the station process itself, without its tools
    bool passed = false;
};

// utime + stime of a live process from /proc, in seconds.
double ProcessCpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t end = text.rfind(')');
    if (end == std::string::npos) return -1;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int n = 3; fields >> field; ++n) {
        if (n == 14) utime = std::stoull(field);
        if (n == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

void Set(const std::string& root, const std::string& section, const std::string& key, const std::string& value) {
    common::IniWriteString(root + "/Torvane.ini", section, key, value);
}

std::string MakeStationRoot() {
    char pattern[] = "/tmp/station_line_bench_XXXXXX";
    const std::string root = mkdtemp(pattern);
    std::filesystem::create_directories(root + "/file");
    std::vector<char> image(kImageSize);
    uint32_t x = 11;
    for (auto& b : image) {
        x = x * 1103515245u + 12345u;
        b = char(x >> 16);
    }
    std::ofstream(root + "/file/app.bin", std::ios::binary).write(image.data(), std::streamsize(image.size()));
    std::ofstream(root + "/file/ram_patch.bin", std::ios::binary) << std::string(12000, '\x5a');
    std::ofstream(root + "/file/sig_pub.der", std::ios::binary) << std::string(294, '\x33');
    for (auto [section, key, value] :
         {std::tuple{"COMMON_SET", "FUNC_TYPE", "1"}, {"COMMON_SET", "PORT_TYPE", "1"}, {"UART_FILTER", "BAUND", "3000000"},
          {"UART_FILTER", "FILTER_FLAG", "2"}, {"DEV_SET", "DEV_NUM", "1"}, {"DEV_SET", "DEV_NAME0", "QM2B"},
          {"DEV_SET", "DEV_IDX", "0"}, {"UART_DRIVER", "QM2B", "ram_patch.bin"}, {"FILE_SET", "FILE_NUM", "1"},
          {"FILE_SET", "FILE_ADDR_0", "0x10020000"}, {"FILE_SET", "FILE_SEL_0", "1"}, {"BLE_SET", "ENABLE_FLAG", "1"},
          {"BLE_SET", "CUR_ADDR", "C0FFEE000000"}, {"BLE_SET", "END_ADDR", "C0FFEEFFFFFF"},
          {"SN_SET", "ENABLE_FLAG", "1"}, {"SN_SET", "START_VALUE", "00000001"}, {"SN_SET", "CUR_VALUE", "00000001"}})
        Set(root, section, key, value);
    Set(root, "FILE_SET", "FILE_PATH_0", root + "/file/app.bin");
    Set(root, "COMMON_SET", "JLINK_PATH", std::string(STATION_BIN_DIR) + "/virtual-jlink");
    return root;
}

// `count` wire-limited devices on channels 1..count, the others off; one run
// of the station over them.
LineRun RunLine(const std::string& root, int count) {
    LineRun run;
    std::vector<std::unique_ptr<testing_support::DevsimProcess>> devices;
    for (int ch = 1; ch <= kChannels; ++ch) {
        Set(root, "CHAN_SET", "CH" + std::to_string(ch), ch <= count ? "1" : "0");
        if (ch > count) continue;
        auto device = std::make_unique<testing_support::DevsimProcess>();
        if (!device->Start({"--device", "QM2B", "--mode", "bootrom", "--rate-limit"})) return run;
        Set(root, "UART_FILTER", "CH" + std::to_string(ch) + "_PORT", device->PtyPath());
        devices.push_back(std::move(device));
    }
    platform::ChildProcess station;
    platform::Clock& clock = platform::SystemClock();
    const uint64_t start = clock.NowMs();
    if (!station.Start({std::string(STATION_BIN_DIR) + "/Torvane", "--headless", "--make-list"}, root)) return run;
    std::string out;
    while (station.ReadAvailable(out, 100)) {
        const double cpu = ProcessCpuSeconds(station.pid());
        if (cpu >= 0) run.stationCpuSeconds = cpu;
    }
    run.passed = station.Wait() == 0;
    run.wallMs = long(clock.NowMs() - start);
    if (!run.passed) std::fprintf(stderr, "the line of %d did not pass:\n%s", count, out.c_str());
    return run;
}

}  // namespace

int main() {
    const std::string root = MakeStationRoot();
    const LineRun one = RunLine(root, 1);
    const LineRun all = RunLine(root, kChannels);
    std::filesystem::remove_all(root);
    if (!one.passed || !all.passed) return 1;
    const double ratio = double(all.wallMs) / double(one.wallMs);
    std::printf("%d channels %ld ms, one channel %ld ms, ratio %.3f (target <= %.2f): %s\n", kChannels, all.wallMs,
                one.wallMs, ratio, kTarget, ratio <= kTarget ? "met" : "not met");
    std::printf("station CPU per job: %.3f s (one channel), %.3f s (%d channels)\n", one.stationCpuSeconds,
                all.stationCpuSeconds / kChannels, kChannels);
    return ratio <= kTarget ? 0 : 1;
}
