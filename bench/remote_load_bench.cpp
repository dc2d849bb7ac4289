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

#include "bench/station_line.h"

namespace {

constexpr int kChannels = bench_support::kLineChannels;
constexpr size_t kImageSize = 4 << 20;
constexpr int kStreamClients = 50;
constexpr int kRequestsPerSecond = 200;
constexpr double kTarget = 1.02;

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
        // Longer than the server's keep-alive: a quiet moment must not end the stream.
        client.set_read_timeout(std::chrono::seconds(20));
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

LineRun RunLine(const bench_support::StationLineRoot& root, bool loaded) {
    LineRun run;
    std::filesystem::remove_all(root.Path("record"));
    root.Set("REMOTE", "LISTEN", loaded ? "127.0.0.1:0" : "");
    std::vector<std::unique_ptr<testing_support::DevsimProcess>> devices;
    if (!root.StartDevices(kChannels, nullptr, devices)) return run;
    platform::ChildProcess station;
    platform::Clock& clock = platform::SystemClock();
    const uint64_t start = clock.NowMs();
    if (!station.Start({std::string(STATION_BIN_DIR) + "/Torvane", "--headless", "--make-list"}, root.path()))
        return run;
    std::string out;
    std::unique_ptr<Load> load;
    static const std::regex listening("网络接口已启动：http://127\\.0\\.0\\.1:([0-9]+)/");
    while (station.ReadAvailable(out, 50)) {
        if (!loaded || load) continue;
        std::string log;
        for (const auto& entry : std::filesystem::directory_iterator(root.Path("log")))
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
    for (const auto& entry : std::filesystem::directory_iterator(root.Path("record")))
        if (entry.path().filename().string().rfind("devices(", 0) == 0) {
            std::istringstream in(FileText(entry.path()));
            for (std::string line; std::getline(in, line);) ++run.recordLines;
        }
    if (!run.passed) std::fprintf(stderr, "the line did not pass:\n%s", out.c_str());
    return run;
}

}  // namespace

int main() {
    const bench_support::StationLineRoot root(kImageSize);
    const LineRun quiet = RunLine(root, false);
    const LineRun loaded = RunLine(root, true);
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
