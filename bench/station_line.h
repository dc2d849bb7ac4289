#pragma once
// Scripted runs of a whole line for the benchmarks: a station root burning
// one image at 3000000 baud over UART, one wire-limited devsim per channel
// (or a row of devices per channel with `--line`), `Torvane --headless` over
// them, and the CPU seconds of each process from /proc.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "bench/process_cpu.h"
#include "bench/tool_run.h"
#include "common/ini_profile.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "tests/support/devsim_process.h"

namespace bench_support {

constexpr int kLineChannels = 16;

// A station root in a scratch directory: Torvane.ini for a QM2B line burning
// `imageSize` pseudo-random bytes at 3000000 baud, with a MAC and a serial
// number for each device.
class StationLineRoot {
public:
    explicit StationLineRoot(size_t imageSize) {
        // Without its scratch directory every path would name a file under "/".
        if (!dir_.ok()) {
            std::fprintf(stderr, "no scratch directory for the station root\n");
            std::exit(1);
        }
        std::filesystem::create_directories(dir_.Path("file"));
        dir_.Write("file/app.bin", PseudoRandomBytes(imageSize, 11));
        dir_.Write("file/ram_patch.bin", std::string(12000, '\x5a'));
        dir_.Write("file/sig_pub.der", std::string(294, '\x33'));
        for (auto [section, key, value] :
             {std::tuple{"COMMON_SET", "FUNC_TYPE", "1"}, {"COMMON_SET", "PORT_TYPE", "1"},
              {"UART_FILTER", "BAUND", "3000000"}, {"UART_FILTER", "FILTER_FLAG", "2"}, {"DEV_SET", "DEV_NUM", "1"},
              {"DEV_SET", "DEV_NAME0", "QM2B"}, {"DEV_SET", "DEV_IDX", "0"}, {"UART_DRIVER", "QM2B", "ram_patch.bin"},
              {"FILE_SET", "FILE_NUM", "1"}, {"FILE_SET", "FILE_ADDR_0", "0x10020000"}, {"FILE_SET", "FILE_SEL_0", "1"},
              {"BLE_SET", "ENABLE_FLAG", "1"}, {"BLE_SET", "CUR_ADDR", "C0FFEE000000"},
              {"BLE_SET", "END_ADDR", "C0FFEEFFFFFF"}, {"SN_SET", "ENABLE_FLAG", "1"},
              {"SN_SET", "START_VALUE", "00000001"}, {"SN_SET", "CUR_VALUE", "00000001"}})
            Set(section, key, value);
        Set("FILE_SET", "FILE_PATH_0", dir_.Path("file/app.bin"));
        Set("COMMON_SET", "JLINK_PATH", std::string(STATION_BIN_DIR) + "/virtual-jlink");
    }

    const std::string& path() const { return dir_.path(); }
    std::string Path(const std::string& name) const { return dir_.Path(name); }
    void Set(const std::string& section, const std::string& key, const std::string& value) const {
        common::IniWriteString(dir_.Path("Torvane.ini"), section, key, value);
    }

    // Channels 1..count get a wire-limited devsim started with the options
    // `extra` gives for the channel, the others are switched off. False when
    // a devsim did not start.
    bool StartDevices(int count, const std::function<std::vector<std::string>(int)>& extra,
                      std::vector<std::unique_ptr<testing_support::DevsimProcess>>& devices) const {
        devices.clear();
        for (int ch = 1; ch <= kLineChannels; ++ch) {
            Set("CHAN_SET", "CH" + std::to_string(ch), ch <= count ? "1" : "0");
            if (ch > count) continue;
            std::vector<std::string> options{"--device", "QM2B", "--mode", "bootrom", "--rate-limit"};
            if (extra) {
                const std::vector<std::string> more = extra(ch);
                options.insert(options.end(), more.begin(), more.end());
            }
            auto device = std::make_unique<testing_support::DevsimProcess>();
            if (!device->Start(options)) return false;
            Set("UART_FILTER", "CH" + std::to_string(ch) + "_PORT", device->PtyPath());
            devices.push_back(std::move(device));
        }
        return true;
    }

private:
    ScratchDir dir_;
};

// CPU seconds of the devsims together, while they still run.
inline double DevicesCpuSeconds(std::vector<std::unique_ptr<testing_support::DevsimProcess>>& devices) {
    double seconds = 0;
    for (auto& device : devices) seconds += std::max(0.0, ProcessCpuSeconds(device->Pid()));
    return seconds;
}

struct StationRun {
    int status = -1;
    long wallMs = -1;
    double stationCpuSeconds = 0;  // the station process itself, without its tools
    std::string out;               // its standard output
};

// One headless run of the station in `root` with `options`, to its end. A
// station still running after `limitMs` (a channel waiting for a board that
// will not come) is stopped as an operator would, by the stop-all signal.
inline StationRun RunStation(const StationLineRoot& root, std::vector<std::string> options,
                             uint64_t limitMs = 900000) {
    StationRun run;
    options.insert(options.begin(), {std::string(STATION_BIN_DIR) + "/Torvane", "--headless"});
    platform::ChildProcess station;
    platform::Clock& clock = platform::SystemClock();
    const uint64_t start = clock.NowMs();
    if (!station.Start(options, root.path())) return run;
    bool stopped = false;
    while (station.ReadAvailable(run.out, 100)) {
        const double cpu = ProcessCpuSeconds(station.pid());
        if (cpu >= 0) run.stationCpuSeconds = cpu;
        if (!stopped && clock.NowMs() - start > limitMs) {
            std::fprintf(stderr, "the station still ran after %llu ms: stopped\n", (unsigned long long)limitMs);
            station.Terminate();
            stopped = true;
        }
    }
    run.status = station.Wait();
    run.wallMs = long(clock.NowMs() - start);
    return run;
}

}  // namespace bench_support
