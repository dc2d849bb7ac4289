// Pool allocation: four stations of sixteen channels each allocate from one
// pool on a local PostgreSQL server (started here, with the server's own
// flushes on, as on a line). Every allocation is the pool's part of a burn:
// a MAC and a serial number booked to the channel (durable on the server),
// followed by the pass of the device (three devices in four pass; the others'
// numbers go to the channel's next device). The factory-data file and the
// burn list that the station writes around it are the same without a pool.
// First every channel allocates as fast as it can: allocations per second in
// all. Then the channels allocate at the target rate together, evenly spread:
// the latency of one allocation (median, 99th percentile), which is what a
// job waits for. (Flat out, 64 channels queue behind each other, and the wait
// is the queue, not the pool.)
// Target: at least 500 allocations per second, 99th percentile under 20 ms.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "bench/load_average.h"
#include "common/ini_profile.h"
#include "station/engine/alloc/pool_admin.h"
#include "station/engine/alloc/pool_backend.h"
#include "station/engine/log/main_log.h"
#include "tests/support/pg_server.h"

namespace {

constexpr int kStations = 4;
constexpr int kChannels = 16;
constexpr auto kPhase = std::chrono::seconds(6);
constexpr double kTargetRate = 500;
constexpr double kTargetP99Ms = 20;

std::string MakeStationRoot(const std::string& conninfo) {
    char pattern[] = "/tmp/pool_bench_XXXXXX";
    const std::string root = mkdtemp(pattern);
    std::filesystem::create_directories(root + "/temp");
    std::filesystem::create_directories(root + "/log");
    std::ofstream(root + "/temp/ImgBurnList.txt") << "[FILEINFO]\r\nFILE0=ble.bin\r\nADDR0=0x1000e000\r\n";
    const std::string ini = root + "/Torvane.ini";
    for (auto [section, key, value] :
         {std::tuple{"BLE_SET", "ENABLE_FLAG", "1"}, {"BLE_SET", "START_ADDR", "C0FFEE000000"},
          {"BLE_SET", "END_ADDR", "C0FFEEFFFFFF"}, {"SN_SET", "ENABLE_FLAG", "1"}, {"SN_SET", "SN_DES", "NV"},
          {"SN_SET", "START_VALUE", "00000001"}, {"POOL", "BACKEND", "postgresql"},
          {"POOL", "CONNINFO", conninfo.c_str()}, {"POOL", "POOL_NAME", "BENCH"}})
        common::IniWriteString(ini, section, key, value);
    return root;
}

double Percentile(std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    return sorted[std::min(sorted.size() - 1, size_t(p * double(sorted.size())))];
}

}  // namespace

int main() {
    const bench_support::LoadAverageReport load;
    testing_support::PgServer server;
    const std::string why = server.Start(true);
    if (!why.empty()) {
        std::fprintf(stderr, "pool_alloc_bench: %s\n", why.c_str());
        return 2;
    }
    std::vector<std::string> roots;
    for (int s = 0; s < kStations; ++s) roots.push_back(MakeStationRoot(server.Conninfo()));
    const station::PoolCommandResult init = station::PoolInit(station::StationSettings(roots[0]));
    if (init.status != 0) {
        std::fprintf(stderr, "pool_alloc_bench: %s", init.err.c_str());
        return 2;
    }
    station::InstallMainLog(std::make_shared<station::MainLog>(roots[0]));

    std::vector<std::unique_ptr<station::PoolBackend>> stations;
    for (const std::string& root : roots) {
        stations.push_back(
            std::make_unique<station::PoolBackend>(station::StationSettings(root), [](const std::string&) {}));
        stations.back()->Open();
    }

    // pacing 0: flat out; otherwise each channel starts one allocation every `pacing`.
    auto run = [&](std::chrono::microseconds pacing, std::vector<double>& latencies, int& refused) {
        std::mutex lock;
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> threads;
        for (int s = 0; s < kStations; ++s)
            for (int channel = 1; channel <= kChannels; ++channel)
                threads.emplace_back([&, s, channel] {
                    std::mt19937 coin(unsigned(s * 100 + channel));
                    std::vector<double> mine;
                    int bad = 0;
                    // Spread the channels' starts over one period.
                    auto next = start + pacing * (s * kChannels + channel - 1) / (kStations * kChannels);
                    while (std::chrono::steady_clock::now() - start < kPhase) {
                        if (pacing.count()) {
                            std::this_thread::sleep_until(next);
                            next += pacing;
                        }
                        station::PoolBackend& pool = *stations[size_t(s)];
                        station::ChannelNumbers numbers;
                        const auto t0 = std::chrono::steady_clock::now();
                        const bool ok = pool.Take(channel, {true, true, {}}, numbers) == station::TakeOutcome::kTaken;
                        mine.push_back(
                            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
                        if (!ok) {
                            ++bad;
                            continue;
                        }
                        if (coin() % 4) pool.Confirm(channel, numbers, "2026-01-01 00:00:00", "");
                    }
                    std::lock_guard<std::mutex> guard(lock);
                    latencies.insert(latencies.end(), mine.begin(), mine.end());
                    refused += bad;
                });
        for (auto& t : threads) t.join();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> flatOut, latencies;
    int refused = 0;
    const double seconds = run(std::chrono::microseconds(0), flatOut, refused);
    const auto pacing = std::chrono::microseconds(int64_t(1e6 * kStations * kChannels / kTargetRate));
    run(pacing, latencies, refused);
    stations.clear();
    for (const std::string& root : roots) std::filesystem::remove_all(root);

    std::sort(latencies.begin(), latencies.end());
    const double rate = double(flatOut.size()) / seconds;
    const double median = Percentile(latencies, 0.5), p99 = Percentile(latencies, 0.99);
    const bool met = refused == 0 && rate >= kTargetRate && p99 < kTargetP99Ms;
    std::printf("pool allocation, %d stations x %d channels, one local PostgreSQL server\n", kStations, kChannels);
    std::printf("flat out: %zu allocations in %.1f s, %.0f per second (target at least %.0f)\n", flatOut.size(),
                seconds, rate, kTargetRate);
    std::printf("at %.0f per second: %zu allocations, latency of one: median %.2f ms, 99th percentile %.2f ms"
                " (target under %.0f ms)\n",
                kTargetRate, latencies.size(), median, p99, kTargetP99Ms);
    if (refused) std::printf("%d allocations refused\n", refused);
    std::printf("target %s\n", met ? "met" : "NOT met");
    return met ? 0 : 1;
}
