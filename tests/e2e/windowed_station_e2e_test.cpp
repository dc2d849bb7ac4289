// `Torvane` with its windows, end to end on Qt's offscreen platform: the
// parameter page's confirmation makes the burn list, the ribbon's start-all
// command starts the channels, and the window closes itself once the jobs
// have ended. Checked by the exit status, the records, the channel logs,
// the devices and the window's pictures.
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>
#include <set>
#include <thread>

#include "platform/pseudo_terminal.h"
#include "tests/support/station_root.h"

namespace {

using testing_support::FileText;

class WindowedStation : public testing_support::StationRoot {
protected:
    // Sends the stop signal and waits (with a safety limit) for the station to
    // close its output and end; its exit status.
    int StopBySignal(platform::ChildProcess& station) {
        ::kill(station.pid(), SIGTERM);
        std::string out;
        for (int i = 0; i < 150 && station.ReadAvailable(out, 200); ++i) {}
        for (int i = 0; i < 50 && station.Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(station.Running()) << "the station did not end after the stop signal";
        return station.Running() ? -1 : station.Wait();
    }
};

TEST_F(WindowedStation, StartAllBurnsTwoChannelsAndTheWindowClosesWhenTheyPass) {
    Configure("QM2D", 1000000);
    // The page lists the images it finds in the package directory.
    Set("FILE_SET", "PACK_PATH", root_ + "/file");
    Set("FILE_SET", "FILE_DES_0", "application");
    Set("FILE_SET", "FILE_NAME_0", "app.bin");
    AddDevice(1, "QM2D");
    AddDevice(2, "QM2D");
    const std::string pictures = root_ + "/pictures";

    const testing_support::StationRun run =
        RunWindowedStation({"--make-list", "--start-all", "--exit-when-done", "--snapshots", pictures});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(CountInMainLog("[0] 点击运行按钮"), 1);
    for (int channel = 1; channel <= 2; ++channel)
        EXPECT_EQ(CountInMainLog("[" + std::to_string(channel) + "] 任务线程结束 PASS"), 1) << channel;

    // One PASS line per channel with the port the window bound it to.
    static const std::regex record(
        "[0-9]{4}-[0-9]{2}-[0-9]{2}\\([0-9]{2}:[0-9]{2}:[0-9]{2}\\),channel_([12]),([^,]+),PASS,([0-9A-F]{12}),"
        "([0-9]{8}),");
    std::map<int, std::pair<std::string, std::string>> numbers;
    for (const std::string& line : FactoryInfoLines()) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, record)) << line;
        const int channel = std::stoi(m[1]);
        EXPECT_EQ(m[2], devices_.at(channel)->PtyPath());
        numbers[channel] = {m[3], m[4]};
    }
    ASSERT_EQ(numbers.size(), 2u);
    EXPECT_NE(numbers[1].first, numbers[2].first);
    EXPECT_NE(numbers[1].second, numbers[2].second);
    // The page wrote its fields back before the run; two numbers are spent.
    EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "001122330002");
    EXPECT_EQ(Get("SN_SET", "CUR_VALUE"), "00000003");

    // Each job's channel log, named by channel and function, ends in a pass.
    int channelLogs = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_ + "/log/channel")) {
        if (!entry.is_regular_file()) continue;
        EXPECT_TRUE(std::regex_match(entry.path().filename().string(), std::regex("Chan[12]_0x1\\(.*\\)\\.txt")))
            << entry.path();
        EXPECT_NE(FileText(entry.path()).find("FINAL_PASS\n"), std::string::npos) << entry.path();
        ++channelLogs;
    }
    EXPECT_EQ(channelLogs, 2);

    for (int channel = 1; channel <= 2; ++channel)
        ExpectDeviceBurned(channel, numbers[channel].first, numbers[channel].second);

    // The window drew itself idle, with its parameter page, side windows and
    // the finished rows.
    for (const char* name : {"main_idle", "parameter_page", "cali_para", "test_para", "info", "main_done"}) {
        const std::string png = FileText(pictures + "/" + name + ".png");
        EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << name;
    }
}

// Told to stop from outside while a channel waits for its device, the
// station stops the channel, lets its job end and exits by itself.
TEST_F(WindowedStation, AStopSignalEndsTheJobsBeforeTheStationExits) {
    Configure("QM2B", 1000000);
    Set("COMMON_SET", "MODE_TYPE", "1");
    platform::PseudoTerminal silent;  // no device ever announces itself here
    ASSERT_TRUE(silent.Open());
    Set("UART_FILTER", "CH1_PORT", silent.SlavePath());
    Set("CHAN_SET", "CH1", "1");

    platform::ChildProcess station;
    ASSERT_TRUE(station.Start({std::string(STATION_BIN_DIR) + "/Torvane", "--make-list", "--start-all"},
                              platform::ChildOptions{root_, {{"QT_QPA_PLATFORM", "offscreen"}}}));
    for (int i = 0; i < 400 && CountInMainLog("[1] 任务线程启动") == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(CountInMainLog("[1] 任务线程启动"), 1);

    ASSERT_EQ(StopBySignal(station), 1);
    EXPECT_EQ(CountInMainLog("[0] 通道1强制关闭"), 1);
    EXPECT_EQ(CountInMainLog("[1] 任务线程结束：OVER"), 1);
    EXPECT_TRUE(FactoryInfoLines().empty());
}

// Start-up's first message (here: no Torvane.ini) reaches the main log, and
// a stop signal while its box waits for the operator closes the box and
// ends the station with the status of a start-up that did not finish.
TEST_F(WindowedStation, AStopSignalWhileAStartUpBoxWaitsEndsTheStation) {
    platform::ChildProcess station;
    ASSERT_TRUE(station.Start({std::string(STATION_BIN_DIR) + "/Torvane"},
                              platform::ChildOptions{root_, {{"QT_QPA_PLATFORM", "offscreen"}}}));
    const std::string missingIni = "[0] Torvane.ini 文件不存在，可能会出现未知异常，请确认!!!\n";
    for (int i = 0; i < 400 && CountInMainLog(missingIni) == 0 && station.Running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(CountInMainLog(missingIni), 1);

    ASSERT_EQ(StopBySignal(station), 2);
}

}  // namespace
