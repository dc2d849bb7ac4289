// The station killed (SIGKILL) at random moments of allocation-heavy runs:
// sixteen channels burning job after job with a stand-in download tool that
// passes at once. After every restart no MAC or serial number may have gone
// to two passed devices, and no number may sit reserved for one channel
// while another channel's device passed with it, or with two channels at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <regex>
#include <set>

#include "platform/pseudo_terminal.h"
#include "tests/support/station_root.h"

namespace {

class StationCrash : public testing_support::StationRoot {
protected:
    // A download tool that passes at once, so that the runs are nothing but
    // allocation, bookkeeping and verdicts.
    void InstallStandInTool() {
        const std::string dir = root_ + "/tools";
        std::filesystem::create_directories(dir);
        testing_support::WriteFile(dir + "/Pirrow", std::string("#!/bin/sh\nexit 0\n"));
        ::chmod((dir + "/Pirrow").c_str(), 0755);
        ::setenv("TORVANE_TOOL_DIR", dir.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("TORVANE_TOOL_DIR");
        StationRoot::TearDown();
    }

    // Runs the station until it has printed `lines` event lines (or ended,
    // or `deadlineMs` passed), lets it go on for `moreUs`, and kills it;
    // returns its output so far. Counting lines instead of milliseconds lets
    // a slow machine kill as far into the runs as a fast one.
    std::string RunAndKill(int lines, int moreUs, uint64_t deadlineMs) {
        platform::ChildProcess station;
        EXPECT_TRUE(station.Start({std::string(STATION_BIN_DIR) + "/Torvane", "--headless", "--jobs", "1000"}, root_));
        std::string out;
        while (std::count(out.begin(), out.end(), '\n') < lines && platform::SystemClock().NowMs() < deadlineMs &&
               station.ReadAvailable(out, 10)) {
        }
        ::usleep(useconds_t(moreUs));
        ::kill(station.pid(), SIGKILL);
        while (station.ReadAvailable(out, 100)) {}
        station.Wait();
        return out;
    }
};

TEST_F(StationCrash, NoNumberGoesToTwoDevicesWhereverTheStationDies) {
    InstallStandInTool();
    Configure("QM2B", 1000000);
    Set("BLE_SET", "END_ADDR", "001122FFFFFF");
    std::filesystem::create_directories(root_ + "/temp");
    testing_support::WriteFile(root_ + "/temp/ImgBurnList.txt",
                               "[FILEINFO]\nFILE0=ble.bin\nADDR0=0x1000e000\nNUM=1\n\n");
    // Ports that exist; the stand-in tool never opens them.
    std::vector<std::unique_ptr<platform::PseudoTerminal>> ports;
    for (int channel = 1; channel <= 16; ++channel) {
        ports.push_back(std::make_unique<platform::PseudoTerminal>());
        ASSERT_TRUE(ports.back()->Open());
        Set("UART_FILTER", "CH" + std::to_string(channel) + "_PORT", ports.back()->SlavePath());
        Set("CHAN_SET", "CH" + std::to_string(channel), "1");
    }

    static const std::regex pass("ch([0-9]+) PASS [0-9]+s mac=([0-9A-F]+) sn=([0-9]+)");
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::map<std::string, int> passedMacs, passedSns;  // number → channel
    // Kills go on until enough devices passed across enough restarts; the
    // limit is a safety net far beyond the few seconds this takes.
    constexpr int kEnoughPasses = 48, kEnoughKills = 12;
    const uint64_t limitMs = platform::SystemClock().NowMs() + 240000;
    int passes = 0, kills = 0;
    while ((passes < kEnoughPasses || kills < kEnoughKills) && platform::SystemClock().NowMs() < limitMs) {
        // Sixteen "start" lines come first, then a verdict and a start per job.
        const int lines = std::uniform_int_distribution<int>(0, 48)(random);
        const std::string out = RunAndKill(lines, std::uniform_int_distribution<int>(0, 20000)(random), limitMs);
        ++kills;
        std::istringstream text(out);
        for (std::string line; std::getline(text, line);) {
            std::smatch m;
            if (!std::regex_match(line, m, pass)) continue;
            ++passes;
            EXPECT_TRUE(passedMacs.emplace(m[2], std::stoi(m[1])).second) << "MAC " << m[2] << " passed twice";
            EXPECT_TRUE(passedSns.emplace(m[3], std::stoi(m[1])).second) << "SN " << m[3] << " passed twice";
        }
        // What the channels hold in reserve is theirs alone and never passed.
        std::set<std::string> reserved;
        for (int channel = 1; channel <= 16; ++channel) {
            const std::string mac = Get("MACLOCAL_REUSE", "CHAN_" + std::to_string(channel));
            if (mac.empty()) continue;
            EXPECT_TRUE(reserved.insert(mac).second) << "MAC " << mac << " reserved twice";
            EXPECT_EQ(passedMacs.count(mac), 0u) << "MAC " << mac << " passed and is still reserved";
        }
        // The counter is past every number handed out.
        const std::string next = Get("BLE_SET", "CUR_ADDR");
        for (const auto& [mac, channel] : passedMacs) EXPECT_LT(mac, next);
        for (const std::string& mac : reserved) EXPECT_LT(mac, next);
    }
    std::printf("seed %u: %d kills, %d passed devices\n", seed, kills, passes);
    EXPECT_GE(passes, kEnoughPasses) << "the runs allocated too little to test anything (seed " << seed << ")";
    EXPECT_GE(kills, kEnoughKills) << "seed " << seed;
    // Every passed device of the record has its own numbers too.
    std::set<std::string> recorded;
    for (const std::string& line : FactoryInfoLines()) {
        if (line.find(",PASS,") == std::string::npos) continue;
        const std::string numbers = line.substr(line.find(",PASS,") + 6);
        EXPECT_TRUE(recorded.insert(numbers).second) << line;
    }
}

}  // namespace
