// Four stations of sixteen channels share one pool of numbers on a
// PostgreSQL server that the test starts itself. A stand-in download tool
// passes or fails at random; stations are killed with SIGKILL and started
// again, and the server is restarted once mid-run. Afterwards no MAC or
// serial number may have passed twice, every number a device got must have
// passed later on its channel or still be booked to it, and every number the
// counters moved past must be passed or booked: none lost from the range.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "platform/pseudo_terminal.h"
#include "station/engine/alloc/mac_sn_numbers.h"
#include "station/engine/alloc/pool_config.h"
#include "station/engine/alloc/pool_connection.h"
#include "station/engine/alloc/pool_pending.h"
#include "tests/support/pg_server.h"
#include "tests/support/station_root.h"

namespace {

constexpr int kStations = 4;
constexpr int kChannels = 16;
// The run goes on until the stations made kAllocations allocations between
// at least kKills kills; kRunLimit is only a safety net inside the test's
// time-out.
constexpr int kAllocations = 3000;
constexpr int kKills = 16;
constexpr auto kRunLimit = std::chrono::seconds(200);

struct Station {
    std::string root;
    std::string id;  // [POOL] STATION_ID, made at its first start
    std::unique_ptr<platform::ChildProcess> process;
    std::string pending;  // output not yet split into lines
};

// A job's verdict line: "ch3 PASS 1s mac=... sn=...".
struct JobLine {
    int station, channel;
    bool passed;
    std::string mac, sn;
};

class PoolStations : public testing_support::StationRoot {
protected:
    void SetUp() override {
        StationRoot::SetUp();
        const std::string why = server_.Start();
        if (!why.empty() && server_.Unavailable()) GTEST_SKIP() << why;
        ASSERT_EQ(why, "");
        // The stand-in download tool: one device in four fails.
        const std::string dir = root_ + "/tools";
        std::filesystem::create_directories(dir);
        testing_support::WriteFile(dir + "/Pirrow", std::string("#!/bin/bash\n(( RANDOM % 4 )) || exit 1\nexit 0\n"));
        ::chmod((dir + "/Pirrow").c_str(), 0755);
        ::setenv("TORVANE_TOOL_DIR", dir.c_str(), 1);

        Configure("QM2B", 1000000);  // never retried over UART: one allocation a job
        Set("BLE_SET", "START_ADDR", "001122000000");
        Set("BLE_SET", "END_ADDR", "001122FFFFFF");
        Set("SN_SET", "START_VALUE", "00000001");
        Set("POOL", "BACKEND", "postgresql");
        Set("POOL", "CONNINFO", server_.Conninfo());
        Set("POOL", "POOL_NAME", "LINE-A");
        for (int channel = 1; channel <= kChannels; ++channel) {
            ports_.push_back(std::make_unique<platform::PseudoTerminal>());
            ASSERT_TRUE(ports_.back()->Open());
            Set("UART_FILTER", "CH" + std::to_string(channel) + "_PORT", ports_.back()->SlavePath());
            Set("CHAN_SET", "CH" + std::to_string(channel), "1");
        }
        std::filesystem::create_directories(root_ + "/temp");
        testing_support::WriteFile(root_ + "/temp/ImgBurnList.txt",
                                   "[FILEINFO]\nFILE0=ble.bin\nADDR0=0x1000e000\nNUM=1\n\n");
        for (int s = 0; s < kStations; ++s) {
            Station station;
            station.root = root_ + "/station" + std::to_string(s);
            std::filesystem::create_directories(station.root + "/temp");
            std::filesystem::copy_file(root_ + "/Torvane.ini", station.root + "/Torvane.ini");
            std::filesystem::copy_file(root_ + "/temp/ImgBurnList.txt", station.root + "/temp/ImgBurnList.txt");
            stations_.push_back(std::move(station));
        }
    }
    void TearDown() override {
        for (Station& s : stations_) Kill(s);
        ::unsetenv("TORVANE_TOOL_DIR");
        StationRoot::TearDown();
    }

    // A pool command in the first station's root.
    testing_support::StationRun Command(const std::vector<std::string>& args) {
        const std::string saved = root_;
        root_ = stations_[0].root;
        testing_support::StationRun run = RunTorvane(args, {}, 30000);
        root_ = saved;
        return run;
    }

    void Launch(Station& s) {
        s.process = std::make_unique<platform::ChildProcess>();
        ASSERT_TRUE(s.process->Start({std::string(STATION_BIN_DIR) + "/Torvane", "--headless", "--jobs", "1000000"},
                                     s.root));
    }
    void Kill(Station& s) {
        if (!s.process) return;
        ::kill(s.process->pid(), SIGKILL);
        Drain(s, -1, 100);
        s.process->Wait();
        s.process.reset();
    }
    // Reads what a station printed and keeps its verdict lines.
    void Drain(Station& s, int index, int timeoutMs) {
        if (!s.process) return;
        s.process->ReadAvailable(s.pending, timeoutMs);
        static const std::regex verdict("ch([0-9]+) (PASS|FAIL|OVER) [0-9]+s mac=([0-9A-F]*) sn=([0-9]*)");
        size_t end;
        while ((end = s.pending.find('\n')) != std::string::npos) {
            const std::string line = s.pending.substr(0, end);
            s.pending.erase(0, end + 1);
            std::smatch m;
            if (!std::regex_search(line, m, verdict) || m[3].length() == 0) continue;
            jobs_.push_back({index < 0 ? StationIndex(s) : index, std::stoi(m[1]), m[2] == "PASS", m[3], m[4]});
        }
    }
    int StationIndex(const Station& s) const { return int(&s - stations_.data()); }

    testing_support::PgServer server_;
    std::vector<std::unique_ptr<platform::PseudoTerminal>> ports_;
    std::vector<Station> stations_;
    std::vector<JobLine> jobs_;
};

// Rows of a query, each as its columns' texts.
std::vector<std::vector<std::string>> Query(const std::string& conninfo, const std::string& sql) {
    station::PoolConnection db;
    EXPECT_TRUE(db.Connect(conninfo, "test")) << db.Error();
    const station::PoolResult r = db.Exec(sql);
    EXPECT_TRUE(r.Ok()) << db.Error();
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < r.Rows(); ++i) {
        std::vector<std::string> row;
        for (int c = 0; c < 4; ++c) row.push_back(r.Text(i, c));
        rows.push_back(row);
    }
    return rows;
}

// A killed station's server sessions still finish the call each was in
// (the server notices the client gone only when it answers): a booking or a
// pass may land after the kill. The pool is read once none is left.
::testing::AssertionResult StationSessionsEnd(const std::string& conninfo) {
    station::PoolConnection db;
    if (!db.Connect(conninfo, "test")) return ::testing::AssertionFailure() << db.Error();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        const station::PoolResult r = db.Exec("SELECT count(*) FROM pg_stat_activity WHERE application_name LIKE $1",
                                              {station::PoolApplicationName("") + "%"});
        if (!r.Ok()) return ::testing::AssertionFailure() << db.Error();
        if (r.Number(0, 0) == 0) return ::testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() > deadline)
            return ::testing::AssertionFailure() << r.Number(0, 0) << " sessions of killed stations still on the server";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

TEST_F(PoolStations, FourStationsShareOnePoolThroughKillsAndAServerRestart) {
    const testing_support::StationRun init = Command({"--pool-init"});
    ASSERT_EQ(init.exitCode, 0);
    for (Station& s : stations_) Launch(s);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const auto start = std::chrono::steady_clock::now();
    // Kills come after random counts of verdicts, not of milliseconds, so
    // that a slow machine gets as far between them as a fast one.
    size_t nextKill = 50 + random() % 200;
    bool restarted = false;
    int kills = 0;
    while ((int(jobs_.size()) < kAllocations || kills < kKills) &&
           std::chrono::steady_clock::now() - start < kRunLimit) {
        for (Station& s : stations_) Drain(s, -1, 5);
        if (!restarted && int(jobs_.size()) > kAllocations * 2 / 5) {
            ASSERT_TRUE(server_.Restart());
            restarted = true;
        }
        if (jobs_.size() >= nextKill) {
            Station& victim = stations_[random() % kStations];
            Kill(victim);
            Launch(victim);
            ++kills;
            nextKill = jobs_.size() + 50 + random() % 200;
        }
    }
    for (Station& s : stations_) Kill(s);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu allocations in %.1f s by %d stations, %d kills, server restarted %s\n", jobs_.size(), seconds,
                kStations, kills, restarted ? "once" : "never");
    EXPECT_TRUE(restarted);
    EXPECT_GE(jobs_.size(), size_t(kAllocations)) << "too little work to mean anything";
    EXPECT_GE(kills, kKills);

    std::map<std::string, int> stationOf;  // STATION_ID → index
    for (int i = 0; i < kStations; ++i) {
        stations_[i].id = common::IniReadString(stations_[i].root + "/Torvane.ini", "POOL", "STATION_ID");
        ASSERT_EQ(stations_[i].id.size(), 12u);
        ASSERT_TRUE(stationOf.emplace(stations_[i].id, i).second) << "two stations share an identifier";
        // The pool is the truth: no local counters or bookkeeping were written.
        EXPECT_EQ(common::IniReadString(stations_[i].root + "/Torvane.ini", "BLE_SET", "CUR_ADDR"), "001122330000");
        EXPECT_EQ(common::IniReadString(stations_[i].root + "/Torvane.ini", "MACLOCAL_REUSE", "CHAN_1", "<none>"),
                  "<none>");
    }
    const std::string conninfo = server_.Conninfo();
    ASSERT_TRUE(StationSessionsEnd(conninfo));
    // Where each number is: passed (on the server or waiting in a pending
    // file) and booked, each with its (station, channel).
    using Holder = std::pair<int, int>;
    std::map<std::string, Holder> passedMac, passedSn, bookedMac, bookedSn;
    auto pass = [&](const std::string& mac, const std::string& sn, Holder h) {
        EXPECT_TRUE(passedMac.emplace(mac, h).second) << "MAC " << mac << " passed twice";
        EXPECT_TRUE(passedSn.emplace(sn, h).second) << "SN " << sn << " passed twice";
    };
    std::set<std::pair<Holder, std::string>> pendingMacs;
    for (const auto& row : Query(conninfo, "SELECT station_id, channel, mac, sn FROM torvane_passed"))
        pass(station::FormatMac(std::stoull(row[2])), station::FormatSnCounter(std::stoull(row[3]), 8),
             {stationOf.at(row[0]), std::stoi(row[1])});
    for (int i = 0; i < kStations; ++i)
        for (int channel = 1; channel <= kChannels; ++channel) {
            std::vector<station::PendingPass> waiting;
            ASSERT_TRUE(station::PendingPasses(stations_[i].root, channel).Read(waiting));
            for (const auto& p : waiting) {
                // Killed after the replay reached the server, before the file went.
                if (passedMac.count(p.mac) && passedMac[p.mac] == Holder{i, channel}) continue;
                pass(p.mac, p.sn, {i, channel});
                pendingMacs.insert({{i, channel}, p.mac});
            }
        }
    for (const auto& row : Query(conninfo, "SELECT station_id, channel, mac, sn FROM torvane_reservation")) {
        const Holder h{stationOf.at(row[0]), std::stoi(row[1])};
        const std::string mac = station::FormatMac(std::stoull(row[2]));
        const std::string sn = station::FormatSnCounter(std::stoull(row[3]), 8);
        EXPECT_TRUE(bookedMac.emplace(mac, h).second) << "MAC " << mac << " booked twice";
        EXPECT_TRUE(bookedSn.emplace(sn, h).second) << "SN " << sn << " booked twice";
        // Booked and passed only while its pass waits to be replayed.
        if (passedMac.count(mac)) {
            EXPECT_TRUE(pendingMacs.count({h, mac})) << "MAC " << mac << " passed and booked";
        }
    }

    std::printf("%zu MACs passed (%zu waiting in pending files), %zu booked\n", passedMac.size(), pendingMacs.size(),
                bookedMac.size());
    // Every device's numbers passed on its own channel or are still booked to it.
    for (const JobLine& job : jobs_) {
        const Holder h{job.station, job.channel};
        const bool macHeld = (passedMac.count(job.mac) && passedMac[job.mac] == h) ||
                             (bookedMac.count(job.mac) && bookedMac[job.mac] == h);
        const bool snHeld = (passedSn.count(job.sn) && passedSn[job.sn] == h) ||
                            (bookedSn.count(job.sn) && bookedSn[job.sn] == h);
        EXPECT_TRUE(macHeld) << "MAC " << job.mac << " of station " << job.station << " ch" << job.channel;
        EXPECT_TRUE(snHeld) << "SN " << job.sn << " of station " << job.station << " ch" << job.channel;
        if (job.passed) {
            EXPECT_TRUE(passedMac.count(job.mac)) << "MAC " << job.mac << " passed but not recorded";
        }
    }
    // Nothing lost: every number below the counters is passed or booked.
    const auto counters = Query(conninfo, "SELECT mac_next, sn_next, 0, 0 FROM torvane_pool");
    ASSERT_EQ(counters.size(), 1u);
    const uint64_t macStart = *station::ParseMac("001122000000"), macNext = std::stoull(counters[0][0]);
    const uint64_t snNext = std::stoull(counters[0][1]);
    int lost = 0;
    for (uint64_t mac = macStart; mac < macNext; ++mac) {
        const std::string text = station::FormatMac(mac);
        if (!passedMac.count(text) && !bookedMac.count(text)) ++lost;
    }
    for (uint64_t sn = 1; sn < snNext; ++sn) {
        const std::string text = station::FormatSnCounter(sn, 8);
        if (!passedSn.count(text) && !bookedSn.count(text)) ++lost;
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(macNext - macStart, snNext - 1);

    // The commands: the state, then the release of a station that will not come back.
    const testing_support::StationRun status = Command({"--pool-status"});
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_NE(std::find(status.lines.begin(), status.lines.end(), "passed " + std::to_string(passedMac.size() - pendingMacs.size())),
              status.lines.end());
    if (!bookedMac.empty()) {
        const auto& [mac, holder] = *bookedMac.begin();
        const std::string target = stations_[holder.first].id + ":" + std::to_string(holder.second);
        EXPECT_EQ(Command({"--pool-release", target}).exitCode, 0) << mac;
        EXPECT_EQ(Command({"--pool-release", target}).exitCode, 1);
    }
    EXPECT_EQ(Command({"--pool-release", "a:b:c"}).exitCode, 2);
}

}  // namespace
