// Steps run against stand-in tools: small shell scripts named like the real
// tools that print given lines and exit with a given status, so the runner's
// handling of output, status, stop, start failures and environment is seen
// from outside, through the channel's row and the main log.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/local_time.h"
#include "station/engine/log/log_paths.h"
#include "station/engine/log/main_log.h"
#include "station/engine/runner/step_runner.h"
#include "station/engine/runner/tool_runner.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"
#include "unit/common/test_files.h"

namespace station {
namespace {

using common_test::TempDir;

class StepRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateStationDirectories(root.path());
        InstallMainLog(std::make_shared<MainLog>(root.path()));
        setenv("TORVANE_TOOL_DIR", tools.path().c_str(), 1);
        Settings("[COMMON_SET]\nPORT_TYPE=1\n[DEV_SET]\nDEV_NUM=1\nDEV_NAME0=QM2B\nDEV_IDX=0\n");
        row.port.Set("ttyUSB9");
    }
    void TearDown() override {
        unsetenv("TORVANE_TOOL_DIR");
        InstallMainLog(nullptr);
    }

    void Settings(const std::string& ini) { root.Write("Torvane.ini", ini); }

    // A stand-in tool: `body` is shell script; "$@" are the station's arguments.
    void Tool(const std::string& name, const std::string& body) {
        const std::string path = tools.Write(name, "#!/bin/sh\n" + body + "\n");
        chmod(path.c_str(), 0755);
    }

    StepOutcome Run(StepKind step, ChannelState& state) {
        return RunStep(StationSettings(root.path()), state, StepRequest{3, step, root.Path("ch3.log")});
    }
    StepOutcome Run(StepKind step) { return Run(step, row); }

    std::string MainLogText() const {
        std::ifstream in(MainLogPath(root.path(), platform::LocalTimeNow()), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Logged(const std::string& text) const { return MainLogText().find(text) != std::string::npos; }

    TempDir root, tools;
    ChannelState row;
};

TEST_F(StepRunnerTest, ProgressAndStatusThroughTheOutput) {
    // Lines split across writes, progress that goes back or past 100, and
    // the full status in the last line right before the end.
    Tool("Pirrow",
         "printf 'percent:0x32\\nperc'; sleep 0.2; printf 'ent:75 \\npercent:40\\npercent:150\\n'\n"
         "echo 'exitcode:0x200'; exit 255");
    StepOutcome outcome = Run(StepKind::UartCrystalCali);
    EXPECT_FALSE(outcome.pass);
    EXPECT_EQ(outcome.status, 0x200);
    EXPECT_EQ(row.progress.load(), 75);
    EXPECT_EQ(row.loadRamNext.load(), 1);  // a failed calibration loads the loader next time
    EXPECT_TRUE(Logged("[3] CaliUart task start\n"));
    EXPECT_TRUE(Logged("[3] PipRuncmd process start\n"));
    EXPECT_TRUE(Logged("[3] cmd: Pirrow --func 8 --port ttyUSB9 --baund 0 --fish \"crystal_cali 08  \"\n"));
    EXPECT_TRUE(Logged("[3] PipRuncmd process over (512 vs 0) FAIL\n"));
    EXPECT_TRUE(Logged("[3] PipRuncmd process over FAIL\n"));
    EXPECT_TRUE(Logged("[3] CaliUart task over FAIL\n"));

    Tool("Pirrow", "exit 0");
    row.progress = 0;
    outcome = Run(StepKind::UartCrystalCali);
    EXPECT_TRUE(outcome.pass);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(row.loadRamNext.load(), 0);
    EXPECT_TRUE(Logged("[3] PipRuncmd process over (0 vs 0) PASS\n"));
    EXPECT_TRUE(Logged("[3] CaliUart task over PASS\n"));

    Tool("Pirrow", "exit 1");  // no "exitcode:" line: the status is -1
    EXPECT_EQ(Run(StepKind::UartEraseAll).status, -1);
    EXPECT_TRUE(Logged("[3] PipRuncmd process over (-1 vs 0) FAIL\n"));
}

TEST_F(StepRunnerTest, PcbaResultsReachTheRow) {
    Tool("Pirrow",
         "echo 'percent:10 '; echo 'bt_name:norva_bt'; echo 'sw_version:v2.0'; echo 'wechat_old'\n"
         "echo 'wechat_model_err: 1 vs 2'; echo 'thirdfunc:7'; echo 'exitcode:0x10'; exit 16");
    row.loadRamNext = 1;
    StepOutcome outcome = Run(StepKind::UartPcba);
    EXPECT_EQ(outcome.status, 0x10);
    EXPECT_EQ(row.testExitCode.load(), 0x10);
    EXPECT_EQ(row.loadRamNext.load(), 0);  // the UART PCBA step consumed it
    EXPECT_EQ(row.btName.Get(), "norva_bt");
    EXPECT_EQ(row.swVersion.Get(), "v2.0");
    EXPECT_EQ(row.wechatOld.load(), 1);
    EXPECT_EQ(row.wechatModelError.load(), 1);
    EXPECT_EQ(row.thirdFuncResult.load(), 7);
    EXPECT_TRUE(Logged("[3] thirdfunc:7  g_thirdTresult[3]:7\n"));
    EXPECT_TRUE(Logged("[3] PipRuncmdPCBA process over (16 vs 0) FAIL\n"));
    EXPECT_TRUE(Logged("[3] cmd: Pirrow --func 11 --port ttyUSB9 --baund 0 --loadram 1 --device QM2B --pcba 0 "
                       "--third 0  --driver"));
}

TEST_F(StepRunnerTest, StopEndsATestThatIgnoresTheRequest) {
    // The tool ignores SIGTERM: it is killed after the grace time, and the
    // stopped test reports every item failed.
    Tool("Pirrow", "trap '' TERM\necho 'percent:5 '\nwhile true; do sleep 0.1; done");
    // The stop comes once the tool runs: its progress line is in.
    std::atomic<bool> over{false};
    std::chrono::steady_clock::time_point stoppedAt;
    std::thread stopper([&] {
        while (row.progress.load() < 5 && !over) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        stoppedAt = std::chrono::steady_clock::now();
        row.stopRequested = 1;
    });
    StepOutcome outcome = Run(StepKind::UartPcba);
    const auto ended = std::chrono::steady_clock::now();
    over = true;
    stopper.join();
    EXPECT_FALSE(outcome.pass);
    EXPECT_EQ(outcome.status, 1023);
    EXPECT_EQ(row.testExitCode.load(), 1023);
    EXPECT_EQ(row.progress.load(), 5);
    // The tool had its grace time to end by itself before it was killed.
    EXPECT_GE(ended - stoppedAt, std::chrono::milliseconds(kStopGraceMs));
    EXPECT_TRUE(Logged("[3] PcbaTestUart task over FAIL\n"));
}

TEST_F(StepRunnerTest, AProgramLeftBehindDoesNotHoldTheStep) {
    // The background sleep keeps the tool's output open for a minute after
    // the tool ended; the step ends long before (a safety limit, not a target).
    Tool("Pirrow", "echo 'exitcode:0x5'; sleep 60 2>/dev/null & echo $! > \"$(dirname \"$0\")/left\"; exit 5");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(StepKind::UartEraseAll).status, 5);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    const std::string left = tools.Read("left");
    if (!left.empty()) ::kill(std::stoi(left), SIGKILL);
}

TEST_F(StepRunnerTest, StepsThatCannotStart) {
    // No tool in the tool directory.
    EXPECT_EQ(Run(StepKind::UartGpsLoad).status, -1);
    EXPECT_TRUE(Logged("[3] PipRuncmdGps create process error\n"));
    EXPECT_TRUE(Logged("[3] PipRuncmdGps start fail: No such file or directory\n"));
    EXPECT_TRUE(Logged("[3] GpsloadUart task over FAIL\n"));

    // A command line past 2000 characters is refused, not cut.
    Tool("Pirrow", "exit 0");
    row.port.Set(std::string(40, 'p'));
    Settings("[DEV_SET]\nDEV_NUM=1\nDEV_NAME0=" + std::string(50, 'd') + "\n[LOG_SET]\nCHANEL_LOG=1\n");
    StepOutcome outcome = RunStep(StationSettings(root.path()), row, StepRequest{3, StepKind::UartDownload,
                                                                                 std::string(1900, 'l')});
    EXPECT_FALSE(outcome.pass);
    EXPECT_TRUE(Logged("[3] PipRuncmd cmd too long 2"));
    EXPECT_FALSE(Logged("process over"));
}

TEST_F(StepRunnerTest, AFailedStepSaysWhyFromItsOwnLinesOfTheChannelLog) {
    Settings("[COMMON_SET]\nPORT_TYPE=1\n[DEV_SET]\nDEV_NUM=1\nDEV_NAME0=QM2B\n[LOG_SET]\nCHANEL_LOG=1\n");
    // An earlier step's lines are not this step's cause.
    root.Write("ch3.log", "10:00:00:000    X uart ttyUSB9 open: Device or resource busy\n"
                          "10:00:00:001    FINAL_FAIL 3\n");
    // The stand-in appends to the file of its last argument (--log).
    auto toolWriting = [&](const std::string& lines, int status) {
        Tool("Pirrow", "for a; do log=$a; done\nprintf '" + lines + "' >> \"$log\"\nexit " + std::to_string(status));
    };
    toolWriting("10:00:01:000    burn_speed 3000000 1000\\n10:00:01:001    X uart baud 0 not supported\\n"
                "10:00:01:002    R: Fail\\nrest of the reply\\n10:00:01:003    DownLoadUart fail \\n"
                "10:00:01:004    FINAL_FAIL 3\\n", 1);
    EXPECT_EQ(Run(StepKind::UartDownload).cause, "X uart baud 0 not supported");
    // No "X " line: the line before the final one.
    toolWriting("10:00:02:000    download_image fail \\r\\n10:00:02:001    FINAL_FAIL 3\\n", 1);
    EXPECT_EQ(Run(StepKind::UartDownload).cause, "download_image fail");
    // Nothing written: the runner's own line.
    toolWriting("", 1);
    EXPECT_EQ(Run(StepKind::UartDownload).cause, "PipRuncmd process over (-1 vs 0) FAIL");
    toolWriting("10:00:03:000    X never read\\n", 0);
    EXPECT_EQ(Run(StepKind::UartDownload).cause, "");

    // Without a channel log the tool's lines are not looked for.
    Settings("[COMMON_SET]\nPORT_TYPE=1\n[DEV_SET]\nDEV_NUM=1\nDEV_NAME0=QM2B\n");
    Tool("Pirrow", "echo 'exitcode:0x10'; exit 16");
    EXPECT_EQ(Run(StepKind::UartPcba).cause, "PipRuncmdPCBA process over (16 vs 0) FAIL");
}

TEST_F(StepRunnerTest, JLinkStepsGetTheLibraryDirectory) {
    Settings("[COMMON_SET]\nJLINK_PATH=/opt/jlink dir\n[SWD_FILTER]\nBAUND=3000\n[DEV_SET]\nDEV_NUM=1\nDEV_NAME0=QM2C\n");
    Tool("Quenlo", "echo \"$JLINK_PATH|$*\" > \"$(dirname \"$0\")/seen\"; echo 'percent:100 '; exit 0");
    row.port.Set("59602728");
    StepOutcome outcome = Run(StepKind::SwdDownload);
    EXPECT_TRUE(outcome.pass);
    EXPECT_EQ(row.progress.load(), 100);
    EXPECT_EQ(row.loadRamNext.load(), 1);  // set after every J-Link download
    EXPECT_EQ(tools.Read("seen"), "/opt/jlink dir|--func 0 --sn 59602728 --baund 4000 --preact 0 --postact 0 --retry 0 "
                                  "--device QM2C --file " + root.path() + "/temp/ImgBurnList_3.txt --verify\n");
    EXPECT_TRUE(Logged("[3] DownLoadSWDUser task over PASS\n"));
}

TEST_F(StepRunnerTest, GnssLoadersStartOneAfterAnotherSpacedOut) {
    // Four channels load their GNSS modules at once; the runner starts the
    // tools one at a time, each start holding the next for 300 ms, so four
    // tools that end at once still take at least 1.2 s together.
    Tool("Pirrow", "exit 0");
    std::array<ChannelState, 4> rows;
    std::vector<std::thread> channels;
    const auto start = std::chrono::steady_clock::now();
    for (auto& r : rows) {
        r.port.Set("ttyUSB9");
        channels.emplace_back([&] { EXPECT_TRUE(Run(StepKind::UartGpsLoad, r).pass); });
    }
    for (auto& t : channels) t.join();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4 * kGpsStartSpacingMs));
}

TEST(AreaErase, PassesAtOnceOffQm2aNand) {
    TempDir root;
    ChannelState row;
    root.Write("Torvane.ini", "[DEV_SET]\nDEV_NUM=1\nDEV_NAME0=QM2A\n");
    StepOutcome outcome = RunStep(StationSettings(root.path()), row, StepRequest{1, StepKind::UartEraseFactory, ""});
    EXPECT_TRUE(outcome.pass);
    EXPECT_EQ(outcome.status, 0);
}

}  // namespace
}  // namespace station
