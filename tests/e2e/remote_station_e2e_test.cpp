// The station on the factory network end to end: `Torvane --headless` on
// virtual devices, driven and watched by real HTTP clients and a real
// receiver written with Python's standard library.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "platform/child_process.h"
#include "station/engine/record/device_record.h"
#include "tests/support/station_root.h"

namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr int kLimitMs = 120000;  // safety limit of every wait

std::string Script(const std::string& name) { return std::string(STATION_SOURCE_DIR) + "/tests/e2e/remote/" + name; }

// A port on which nothing listens (yet).
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

class RemoteStationE2e : public testing_support::StationRoot {
protected:
    void TearDown() override {
        for (auto* child : {&station_, &helper_})
            if (child->Running()) {
                child->Kill();
                child->Wait();
            }
        StationRoot::TearDown();
    }

    // Waits for `done`, reading the station's output meanwhile; false after
    // the safety limit.
    bool WaitUntil(const std::function<bool()>& done) {
        platform::Clock& clock = platform::SystemClock();
        const uint64_t deadline = clock.NowMs() + kLimitMs;
        while (!done()) {
            if (clock.NowMs() > deadline) return false;
            if (station_.Running()) station_.ReadAvailable(stationOut_, 100);
            else ::usleep(100 * 1000);
        }
        return true;
    }

    void StartStation(const std::vector<std::string>& options) {
        std::vector<std::string> args{std::string(STATION_BIN_DIR) + "/Torvane", "--headless"};
        args.insert(args.end(), options.begin(), options.end());
        ASSERT_TRUE(station_.Start(args, root_));
    }
    // The address the station's main log names once it listens.
    std::string WaitForAddress() {
        static const std::regex line("网络接口已启动：(http://127\\.0\\.0\\.1:[0-9]+)/");
        std::smatch m;
        std::string log;
        EXPECT_TRUE(WaitUntil([&] {
            log = MainLog();
            return std::regex_search(log, m, line);
        })) << log;
        return m.size() > 1 ? m[1].str() : "";
    }
    int StopStation() {
        ::kill(station_.pid(), SIGTERM);
        while (station_.ReadAvailable(stationOut_, 200)) {}
        return station_.Wait();
    }

    // Runs a Python helper to its end; its output in `out`.
    int RunPython(const std::vector<std::string>& args, std::string& out) {
        platform::ChildProcess python;
        std::vector<std::string> argv{kPython};
        argv.insert(argv.end(), args.begin(), args.end());
        if (!python.Start(argv, root_)) return -1;
        platform::Clock& clock = platform::SystemClock();
        const uint64_t deadline = clock.NowMs() + 3 * kLimitMs;
        while (python.ReadAvailable(out, 200)) {
            station_.ReadAvailable(stationOut_, 0);
            if (clock.NowMs() > deadline) python.Kill();
        }
        return python.Wait();
    }

    std::set<std::string> RecordIds() const {
        std::set<std::string> ids;
        std::istringstream in(testing_support::FileText(station::DeviceRecordsPath(root_, platform::LocalTimeNow())));
        for (std::string line; std::getline(in, line);) {
            const nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
            if (!record.is_discarded()) ids.insert(record["id"].get<std::string>());
        }
        return ids;
    }
    std::set<std::string> LinesOf(const std::string& path) const {
        std::set<std::string> lines;
        std::istringstream in(testing_support::FileText(path));
        for (std::string line; std::getline(in, line);) lines.insert(line);
        return lines;
    }
    size_t OutboxCount() const {
        if (!std::filesystem::exists(root_ + "/record/outbox")) return 0;
        size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(root_ + "/record/outbox"))
            n += entry.path().extension() == ".json";
        return n;
    }

    platform::ChildProcess station_, helper_;
    std::string stationOut_;
};

TEST_F(RemoteStationE2e, ClientsReadStartStopAndFollowEveryRecordOfARun) {
    Configure("QM2D", 1000000);
    for (int channel = 1; channel <= 4; ++channel) AddDevice(channel, "QM2D");
    Set("COMMON_SET", "DELAY_SECOND", "20");  // start-all holds the channels running until stopped
    Set("REMOTE", "LISTEN", "127.0.0.1:0");
    Set("REMOTE", "TOKEN", "line-7-secret");
    // The list is made; the start of a channel that is not enabled starts nothing.
    ASSERT_EQ(RunStation({"--make-list", "--start", "16"}).exitCode, 2);

    StartStation({"--idle"});
    const std::string base = WaitForAddress();
    ASSERT_FALSE(base.empty());
    std::string out;
    EXPECT_EQ(RunPython({Script("api_client.py"), base, "line-7-secret"}, out), 0) << out;
    EXPECT_EQ(out, "ok\n");
    EXPECT_EQ(StopStation(), 1);  // the stopped jobs failed
    EXPECT_EQ(CountInMainLog("[0] 用户停止运行"), 0);  // the refused start stopped nothing
}

// The status page in a real browser: the tiles are rendered by the server,
// so the page shows the line before (and without) its script.
TEST_F(RemoteStationE2e, TheStatusPageShowsEveryChannelsTileDuringARun) {
    if (!std::filesystem::exists("/usr/bin/chromium")) GTEST_SKIP() << "chromium is not installed (scripts/setup)";
    Configure("QM2D", 1000000);
    for (int channel = 1; channel <= 4; ++channel) AddDevice(channel, "QM2D");
    Set("COMMON_SET", "DELAY_SECOND", "20");  // the run holds its channels running until stopped
    Set("REMOTE", "LISTEN", "127.0.0.1:0");
    StartStation({"--make-list"});
    const std::string base = WaitForAddress();
    ASSERT_FALSE(base.empty());

    std::filesystem::create_directories(root_ + "/browser");
    platform::ChildProcess browser;
    ASSERT_TRUE(browser.Start({"/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                               "--disable-background-networking", "--disable-component-update", "--disable-sync",
                               "--user-data-dir=" + root_ + "/browser", "--dump-dom", base + "/"},
                              root_));
    std::string dom;
    platform::Clock& clock = platform::SystemClock();
    const uint64_t deadline = clock.NowMs() + kLimitMs;
    while (browser.ReadAvailable(dom, 200) && clock.NowMs() < deadline) station_.ReadAvailable(stationOut_, 0);
    if (browser.Running()) browser.Kill();
    browser.Wait();
    EXPECT_EQ(StopStation(), 1);  // the run was stopped

    static const std::regex tile("<div class=\"tile ([a-z ]*)\" id=\"ch([0-9]+)\"");
    std::map<int, std::string> classes;
    for (std::sregex_iterator it(dom.begin(), dom.end(), tile), end; it != end; ++it)
        classes[std::stoi((*it)[2])] = (*it)[1];
    ASSERT_EQ(classes.size(), 16u) << dom;
    for (int channel = 1; channel <= 4; ++channel) EXPECT_EQ(classes[channel], "running") << channel;
    EXPECT_EQ(classes[5], "idle disabled");
    EXPECT_NE(dom.find("<span class=\"port\">" + Get("UART_FILTER", "CH3_PORT") + "</span>"), std::string::npos);
    // No token entered: the control buttons are there but not shown.
    EXPECT_EQ(dom.find("class=\"armed\""), std::string::npos);
}

TEST_F(RemoteStationE2e, RecordsReachTheReceiverAtLeastOnceThroughOutagesAndAKill) {
    Configure("QM2D", 1000000);
    // Devices that fail every download: each job is quick and leaves a record.
    for (int channel = 1; channel <= 2; ++channel) AddDevice(channel, "QM2D", {"--fail-command", "dfu_recv"});
    const int port = FreePort();
    Set("REMOTE", "RECORD_URL", "http://127.0.0.1:" + std::to_string(port) + "/mes/records");
    const std::string accepted = root_ + "/accepted.txt";

    // The receiver is down: records wait in the outbox, the log says so once.
    StartStation({"--make-list", "--start", "1,2", "--jobs", "100000"});
    ASSERT_TRUE(WaitUntil([&] { return RecordIds().size() >= 4 && OutboxCount() >= 4; }));
    ASSERT_TRUE(WaitUntil([&] { return CountInMainLog("设备记录接收方不可用") == 1; }));
    ASSERT_TRUE(helper_.Start({kPython, Script("record_receiver.py"), std::to_string(port), accepted}, root_));
    std::string receiverOut;
    while (receiverOut.find("listening") == std::string::npos && helper_.ReadAvailable(receiverOut, 200)) {}
    // It comes back (refusing every third request); then the station is killed.
    ASSERT_TRUE(WaitUntil([&] { return LinesOf(accepted).size() >= 6; }));
    EXPECT_EQ(CountInMainLog("设备记录接收方已恢复"), 1);
    station_.Kill();
    station_.Wait();

    // Started again, it hands over what waited.
    StartStation({"--idle"});
    ASSERT_TRUE(WaitUntil([&] { return OutboxCount() == 0 && LinesOf(accepted) == RecordIds(); }))
        << LinesOf(accepted).size() << " of " << RecordIds().size() << " records taken";
    StopStation();
    EXPECT_GE(RecordIds().size(), 6u);
    EXPECT_EQ(CountInMainLog("设备记录接收方不可用"), 1);
}

}  // namespace
