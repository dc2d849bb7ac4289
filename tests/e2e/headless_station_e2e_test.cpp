// `Torvane --headless` end to end: the real station, Pirrow and virtual
// devices on pseudo-terminals, checked by the station's output lines, its
// records and what every device holds afterwards.
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>
#include <set>
#include <thread>

#include "platform/pseudo_terminal.h"
#include "tests/support/station_root.h"

namespace {

using testing_support::MacOf;
using testing_support::StationRun;

struct VerdictLine {
    int channel = 0;
    std::string verdict, mac, sn;
    int seconds = 0;
    std::string cause;
};

// The job-end lines ("ch%d %s %ds mac=%s sn=%s", a FAIL or OVER with
// ' cause="%s"') of a run, in order; every other line must be a job start.
std::vector<VerdictLine> Verdicts(const StationRun& run, std::map<int, int>* starts = nullptr) {
    static const std::regex end("ch([0-9]+) (PASS|FAIL|OVER) ([0-9]+)s mac=([0-9A-F]*) sn=([0-9]*)( cause=\"(.*)\")?");
    static const std::regex start("ch([0-9]+) start");
    std::vector<VerdictLine> verdicts;
    for (const std::string& line : run.lines) {
        std::smatch m;
        if (std::regex_match(line, m, end)) {
            verdicts.push_back({std::stoi(m[1]), m[2], m[4], m[5], std::stoi(m[3]), m[7]});
            EXPECT_GE(verdicts.back().seconds, 1) << line;
            // Every job that did not pass says why; a PASS says nothing more.
            EXPECT_EQ(m[2] != "PASS", m[6].matched) << line;
            EXPECT_EQ(m[6].matched, !verdicts.back().cause.empty()) << line;
        } else if (std::regex_match(line, m, start)) {
            if (starts) ++(*starts)[std::stoi(m[1])];
        } else {
            ADD_FAILURE() << "unexpected output line: " << line;
        }
    }
    return verdicts;
}

class HeadlessStation : public testing_support::StationRoot {};

TEST_F(HeadlessStation, FourChannelsBurnTheirNumbersAndAFailedDeviceKeepsThemForItsNextTry) {
    Configure("QM2D", 1000000);
    Set("COMMON_SET", "RETRY_LIMIT", "0");  // 10 s of retries
    for (int channel = 1; channel <= 3; ++channel) AddDevice(channel, "QM2D");
    AddDevice(4, "QM2D", {"--fail-command", "dfu_recv"});

    StationRun run = RunStation({"--make-list"});
    EXPECT_EQ(run.exitCode, 1);
    std::map<int, int> starts;
    std::vector<VerdictLine> verdicts = Verdicts(run, &starts);
    ASSERT_EQ(verdicts.size(), 4u);
    EXPECT_EQ(starts, (std::map<int, int>{{1, 1}, {2, 1}, {3, 1}, {4, 1}}));
    std::map<int, VerdictLine> byChannel;
    std::set<std::string> macs, sns;
    for (const VerdictLine& v : verdicts) {
        byChannel[v.channel] = v;
        macs.insert(v.mac);
        sns.insert(v.sn);
    }
    EXPECT_EQ(macs.size(), 4u);
    EXPECT_EQ(sns.size(), 4u);
    for (int channel = 1; channel <= 3; ++channel) EXPECT_EQ(byChannel[channel].verdict, "PASS");
    const VerdictLine failed = byChannel[4];
    EXPECT_EQ(failed.verdict, "FAIL");
    EXPECT_GE(CountInMainLog("[4] 任务异常,时间"), 2);
    EXPECT_EQ(CountInMainLog("[4] 任务线程结束：FAIL"), 1);
    // Four numbers are spent; the failed device's stay with its channel.
    EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "001122330004");
    EXPECT_EQ(Get("SN_SET", "CUR_VALUE"), "00000005");
    EXPECT_EQ(Get("MACLOCAL_REUSE", "CHAN_4"), failed.mac);
    EXPECT_EQ(Get("MACLOCAL_REUSE", "CHAN_1"), "");

    std::vector<std::string> records = FactoryInfoLines();
    ASSERT_EQ(records.size(), 4u);
    int passLines = 0;
    for (const std::string& line : records) {
        const VerdictLine& v = byChannel[line[line.find("channel_") + 8] - '0'];
        EXPECT_NE(line.find("," + v.verdict + "," + v.mac + "," + v.sn + ","), std::string::npos) << line;
        passLines += v.verdict == "PASS";
    }
    EXPECT_EQ(passLines, 3);

    // Started with its own button the channel tries once, with the same numbers.
    const int attemptsBefore = CountInMainLog("[4] DownLoadUart task start");
    run = RunStation({"--start", "4"});
    EXPECT_EQ(run.exitCode, 1);
    verdicts = Verdicts(run);
    ASSERT_EQ(verdicts.size(), 1u);
    EXPECT_EQ(verdicts[0].verdict, "FAIL");
    EXPECT_EQ(verdicts[0].mac, failed.mac);
    EXPECT_EQ(verdicts[0].sn, failed.sn);
    EXPECT_EQ(CountInMainLog("[4] DownLoadUart task start"), attemptsBefore + 1);
    EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "001122330004");

    for (int channel = 1; channel <= 3; ++channel)
        ExpectDeviceBurned(channel, byChannel[channel].mac, byChannel[channel].sn);
}

TEST_F(HeadlessStation, BurnAndTestRunsTheTestOnceOnTheBurnedDevice) {
    Configure("QM2B", 1000000, 9);
    Set("COMMON_SET", "TEST_TYPE", "511");  // 0x1ff: bit 0x100 is dropped when it is loaded
    Set("PCBA_TEST", "FW_VERSION", "v1.0.0.1");
    Set("PCBA_TEST", "BLE_NAME", "norva_ble");
    AddDevice(1, "QM2B");
    AddDevice(2, "QM2B", {"--fw-fail", "charger"});

    StationRun run = RunStation({"--make-list"});
    EXPECT_EQ(run.exitCode, 1);
    std::map<int, std::string> verdict;
    for (const VerdictLine& v : Verdicts(run)) verdict[v.channel] = v.verdict;
    EXPECT_EQ(verdict, (std::map<int, std::string>{{1, "PASS"}, {2, "FAIL"}}));
    EXPECT_EQ(CountInMainLog("[1] PcbaTestUart task over PASS"), 1);
    EXPECT_EQ(CountInMainLog("[2] PcbaTestUart task over FAIL"), 1);
    EXPECT_EQ(CountInMainLog("[2] PipRuncmdPCBA process start"), 1) << "a burn+test job tests once";
    // The burn passed and confirmed the numbers before the test failed.
    EXPECT_EQ(Get("MACLOCAL_REUSE", "CHAN_2"), "");
}

TEST_F(HeadlessStation, LoopMonitoringProgramsALineOfDevicesOneAfterAnother) {
    Configure("QM2B", 1000000);
    Set("COMMON_SET", "MODE_TYPE", "2");
    Set("LOG_SET", "POST_ACT", "1");  // the reset sends each device on and brings the next
    const std::string line = root_ + "/line";
    std::filesystem::create_directories(line);
    AddDevice(1, "QM2B", {"--line", "3", "--state-dir", line});

    StationRun run = RunStation({"--make-list", "--jobs", "3"});
    EXPECT_EQ(run.exitCode, 0);
    std::map<int, int> starts;
    std::vector<VerdictLine> verdicts = Verdicts(run, &starts);
    EXPECT_EQ(starts[1], 3);
    ASSERT_EQ(verdicts.size(), 3u);
    std::set<std::string> macs;
    for (const VerdictLine& v : verdicts) {
        EXPECT_EQ(v.verdict, "PASS");
        macs.insert(v.mac);
    }
    EXPECT_EQ(macs.size(), 3u);
    EXPECT_EQ(CountInMainLog("[1] enter bootmode success"), 3);
    devices_.at(1)->Stop();
    for (int n = 1; n <= 3; ++n) {
        devsim::StateFile state;
        std::string error;
        ASSERT_TRUE(devsim::ReadStateFile(line + "/device_" + std::to_string(n) + ".state", state, &error)) << error;
        EXPECT_EQ(MacOf(state), verdicts[size_t(n - 1)].mac) << "device " << n;
    }
}

// A second station in the same root is refused; a stop signal ends the
// first one's wait for a device as OVER, with no FactoryInfo line.
TEST_F(HeadlessStation, OneStationPerRootAndAStopSignalWhileMonitoringIsOver) {
    Configure("QM2B", 1000000);
    Set("COMMON_SET", "MODE_TYPE", "1");
    platform::PseudoTerminal silent;  // a port on which no device ever announces itself
    ASSERT_TRUE(silent.Open());
    Set("UART_FILTER", "CH1_PORT", silent.SlavePath());
    Set("CHAN_SET", "CH1", "1");

    platform::ChildProcess first;
    ASSERT_TRUE(first.Start({std::string(STATION_BIN_DIR) + "/Torvane", "--headless", "--make-list"}, root_));
    std::string out;
    const uint64_t deadline = platform::SystemClock().NowMs() + 60000;  // a safety net, not a target
    while (out.find("ch1 start") == std::string::npos && platform::SystemClock().NowMs() < deadline &&
           first.ReadAvailable(out, 50)) {
    }
    ASSERT_NE(out.find("ch1 start\n"), std::string::npos);

    StationRun second = RunStation({"--make-list"});
    EXPECT_EQ(second.exitCode, 2);
    EXPECT_EQ(CountInMainLog("此程序正在运行，同一路径只能打开一次。"), 1);

    ::kill(first.pid(), SIGTERM);
    while (first.ReadAvailable(out, 200)) {}
    EXPECT_EQ(first.Wait(), 1);
    EXPECT_NE(out.find("ch1 OVER "), std::string::npos) << out;
    EXPECT_NE(out.find(" cause=\"用户停止运行\"\n"), std::string::npos) << out;
    EXPECT_TRUE(FactoryInfoLines().empty());
    // No device came: no device record either.
    EXPECT_TRUE(std::filesystem::is_empty(root_ + "/record"));
    EXPECT_EQ(CountInMainLog("[0] 通道1强制关闭"), 1);
}

// A list that cannot be made refuses the start as the parameter page does:
// the list's own log line, then the page's message, and nothing starts.
TEST_F(HeadlessStation, AListThatCannotBeMadeRefusesWithThePagesMessage) {
    Configure("QM2D", 1000000);
    AddDevice(1, "QM2D");
    Set("FILE_SET", "FILE_PATH_0", root_ + "/file/gone.bin");

    StationRun run = RunStation({"--make-list"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.lines.empty());
    EXPECT_EQ(CountInMainLog("[0] can not open: " + root_ + "/file/gone.bin\n"), 1);
    EXPECT_EQ(CountInMainLog("[0] x 生成下载列表失败！\n请至少选择一项下载内容"), 1);
}

}  // namespace
