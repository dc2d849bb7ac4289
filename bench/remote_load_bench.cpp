// The network front end under load: a line of sixteen channels through
// `Torvane --headless` (the same 4 MiB image at 3000000 baud into sixteen
// wire-limited virtual devices), once without the interface and once with
// 50 clients on the event stream and 200 requests a second of
// GET /api/v1/channels. Target: the loaded line's wall time is within 2 % of
// the quiet one's, and every event-stream client got every device record.
#include <httplib.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
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
constexpr int kStreamClients = 50;
constexpr int kRequestsPerSecond = 200;
constexpr double kTarget = 1.02;

void Set(const std::string& root, const std::string& section, const std::string& key, const std::string& value) {
    common::IniWriteString(root + "/Torvane.ini", section, key, value);
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string MakeStationRoot() {
    char pattern[] = "/tmp/remote_load_bench_XXXXXX";
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
    for (int ch = 1; ch <= kChannels; ++ch) Set(root, "CHAN_SET", "CH" + std::to_string(ch), "1");
    return root;
}

// The clients: event-stream readers counting "event: record" lines, and a
// paced reader of the channel table.
class Load {
public:
    explicit Load(int port) : port_(port) {
        for (int i = 0; i < kStreamClients; ++i) streams_.emplace_back([this] { Stream(); });
        poller_ = std::thread([this] { Poll(); });
    }
    ~Load() { Stop(); }
    void Stop() {
        stop_ = true;
        if (poller_.joinable()) poller_.join();
        for (auto& t : streams_)
            if (t.joinable()) t.join();
    }
    int FewestRecords() const { return fewest_.load(); }
    long Requests() const { return requests_.load(); }
    long FailedRequests() const { return failed_.load(); }

private:
    void Stream() {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(std::chrono::seconds(1));
        int records = 0;
        std::string pending;
        // Reconnects would lose events: one stream for the whole run, ended
        // by the station when it closes (the client's stop ends the wait).
        client.Get("/api/v1/events", [&](const char* data, size_t size) {
            pending.append(data, size);
            for (size_t at; (at = pending.find("event: record\n")) != std::string::npos;) {
                ++records;
                pending.erase(0, at + 14);
            }
            if (pending.size() > 14) pending.erase(0, pending.size() - 14);
            return true;
        });
        int seen = fewest_.load();
        while (records < seen && !fewest_.compare_exchange_weak(seen, records)) {}
    }
    void Poll() {
        httplib::Client client("127.0.0.1", port_);
        client.set_keep_alive(true);
        const auto period = std::chrono::microseconds(1000000 / kRequestsPerSecond);
        auto next = std::chrono::steady_clock::now();
        while (!stop_) {
            const httplib::Result answer = client.Get("/api/v1/channels");
            ++requests_;
            if (!answer || answer->status != 200) ++failed_;
            next += period;
            std::this_thread::sleep_until(next);
        }
    }

    const int port_;
    std::atomic<bool> stop_{false};
    std::atomic<int> fewest_{1 << 30};
    std::atomic<long> requests_{0}, failed_{0};
    std::vector<std::thread> streams_;
    std::thread poller_;
};

struct LineRun {
    long wallMs = -1;
    bool passed = false;
    int fewestRecords = -1;
    long requests = 0, failed = 0;
    size_t recordLines = 0;
};

LineRun RunLine(const std::string& root, bool loaded) {
    LineRun run;
    std::filesystem::remove_all(root + "/record");
    Set(root, "REMOTE", "LISTEN", loaded ? "127.0.0.1:0" : "");
    std::vector<std::unique_ptr<testing_support::DevsimProcess>> devices;
    for (int ch = 1; ch <= kChannels; ++ch) {
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
    std::unique_ptr<Load> load;
    static const std::regex listening("网络接口已启动：http://127\\.0\\.0\\.1:([0-9]+)/");
    while (station.ReadAvailable(out, 50)) {
        if (!loaded || load) continue;
        std::string log;
        for (const auto& entry : std::filesystem::directory_iterator(root + "/log"))
            if (entry.path().filename().string().rfind("log(", 0) == 0) log += FileText(entry.path());
        std::smatch m;
        if (std::regex_search(log, m, listening)) load = std::make_unique<Load>(std::stoi(m[1]));
    }
    run.passed = station.Wait() == 0;
    run.wallMs = long(clock.NowMs() - start);
    if (load) {
        load->Stop();
        run.fewestRecords = load->FewestRecords();
        run.requests = load->Requests();
        run.failed = load->FailedRequests();
    }
    for (const auto& entry : std::filesystem::directory_iterator(root + "/record"))
        if (entry.path().filename().string().rfind("devices(", 0) == 0) {
            std::istringstream in(FileText(entry.path()));
            for (std::string line; std::getline(in, line);) ++run.recordLines;
        }
    if (!run.passed) std::fprintf(stderr, "the line did not pass:\n%s", out.c_str());
    return run;
}

}  // namespace

int main() {
    const std::string root = MakeStationRoot();
    const LineRun quiet = RunLine(root, false);
    const LineRun loaded = RunLine(root, true);
    std::filesystem::remove_all(root);
    if (!quiet.passed || !loaded.passed) return 1;
    const double ratio = double(loaded.wallMs) / double(quiet.wallMs);
    const bool everyRecord = loaded.fewestRecords == kChannels && loaded.recordLines == size_t(kChannels);
    std::printf("%d channels: quiet %ld ms, with %d event-stream clients and %d req/s %ld ms, ratio %.3f "
                "(target <= %.2f): %s\n",
                kChannels, quiet.wallMs, kStreamClients, kRequestsPerSecond, loaded.wallMs, ratio, kTarget,
                ratio <= kTarget ? "met" : "not met");
    std::printf("records: %zu in the day's file, fewest seen by one stream client %d (of %d): %s; "
                "%ld channel requests, %ld failed\n",
                loaded.recordLines, loaded.fewestRecords, kChannels, everyRecord ? "none lost" : "LOST",
                loaded.requests, loaded.failed);
    return ratio <= kTarget && everyRecord ? 0 : 1;
}
