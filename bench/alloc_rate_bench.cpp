// Allocation rate: how many devices per second the station can give numbers
// to (a MAC from the range, a serial number, the factory-data file and the
// channel's burn list, then the confirmation), with every counter and
// bookkeeping entry flushed to the disk as the station does on a line.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/ini_profile.h"
#include "station/engine/alloc/mac_sn_allocator.h"

namespace {

std::string MakeStationRoot() {
    char pattern[] = "/tmp/alloc_bench_XXXXXX";
    const std::string root = mkdtemp(pattern);
    std::filesystem::create_directories(root + "/temp");
    std::filesystem::create_directories(root + "/log");
    std::ofstream(root + "/temp/ImgBurnList.txt") << "[FILEINFO]\r\nFILE0=ble.bin\r\nADDR0=0x1000e000\r\n";
    const std::string ini = root + "/Torvane.ini";
    for (auto [section, key, value] : {std::tuple{"BLE_SET", "ENABLE_FLAG", "1"}, {"BLE_SET", "CUR_ADDR", "C0FFEE000000"},
                                       {"BLE_SET", "END_ADDR", "C0FFEEFFFFFF"}, {"SN_SET", "ENABLE_FLAG", "1"},
                                       {"SN_SET", "START_VALUE", "00000001"}, {"SN_SET", "CUR_VALUE", "00000001"}})
        common::IniWriteString(ini, section, key, value);
    return root;
}

void BM_AllocateAndConfirm(benchmark::State& state) {
    const std::string root = MakeStationRoot();
    station::MacSnAllocator allocator(station::StationSettings(root), [](const std::string&) {});
    allocator.SetStationIdentifier("BENCH0000000");
    int channel = 0;
    for (auto _ : state) {
        channel = channel % 16 + 1;
        if (allocator.BuildFactoryData(channel) != 1) {
            state.SkipWithError("allocation refused");
            break;
        }
        allocator.Finish(channel, 1);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["allocations_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_AllocateAndConfirm)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
