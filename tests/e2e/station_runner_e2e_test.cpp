// The station's tool runner driving the real Pirrow against devsim devices:
// the command line it builds, the output it follows, the status it decodes
// and the stop it delivers, seen through the channel's row, the main log and
// what the device holds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "station/engine/runner/step_runner.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"
#include "tests/support/station_e2e.h"

namespace {

using testing_support::Pattern;
using testing_support::WriteFile;

constexpr uint32_t kAppAddress = 0x10020000;
constexpr int kChannel = 3;

class StationRunner : public testing_support::StationE2e {
protected:
    void Settings(int baud, int testType = 0) {
        WriteFile(Path("Torvane.ini"), "[COMMON_SET]\nPORT_TYPE=1\nFUNC_TYPE=1\nTEST_TYPE=" + std::to_string(testType) +
                                           "\n[DEV_SET]\nDEV_NUM=1\nDEV_NAME0=QM2B\nDEV_IDX=0\n[LOG_SET]\nCHANEL_LOG=1\n"
                                           "[UART_FILTER]\nBAUND=" + std::to_string(baud) + "\n");
    }
    // The channel's burn list with one image of `size` bytes.
    std::vector<uint8_t> BurnList(size_t size) {
        auto image = Pattern(size, 4);
        WriteFile(Path("app.bin"), image);
        WriteFile(Path("temp/ImgBurnList_3.txt"),
                  "[FILEINFO]\r\nNUM=1\r\nADDR0=0x10020000\r\nFILE0=" + Path("app.bin") + "\r\n");
        return image;
    }

    station::StepOutcome Run(station::StepKind step) {
        return station::RunStep(station::StationSettings(dir_), row,
                                station::StepRequest{kChannel, step, Path("ch3.log"), device_.PtyPath()});
    }

    station::ChannelState row;
};

TEST_F(StationRunner, DownloadWithProgress) {
    Settings(3000000);
    const auto image = BurnList(0x30000);
    StartDevice("QM2B", "loader");
    station::StepOutcome outcome = Run(station::StepKind::UartDownload);
    EXPECT_TRUE(outcome.pass) << MainLog() << Log();
    EXPECT_EQ(outcome.status, 0);
    EXPECT_GE(row.progress.load(), 99);
    EXPECT_TRUE(Logged("[3] DownLoadUart task start\n"));
    EXPECT_TRUE(Logged("[3] cmd: Pirrow --func 0 --port " + device_.PtyPath() + " --baund 3000000 --postact 0 "
                       "--device QM2B --file \"" + Path("temp/ImgBurnList_3.txt") + "\" --verify --log \"" +
                       Path("ch3.log") + "\"\n"));
    EXPECT_TRUE(Logged("[3] PipRuncmd process over (0 vs 0) PASS\n"));
    EXPECT_NE(testing_support::FileText(Path("ch3.log")).find("FINAL_PASS\n"), std::string::npos);
    auto state = StopDevice();
    std::vector<uint8_t> back;
    ASSERT_TRUE(state.state.flash.Read(kAppAddress, uint32_t(image.size()), back));
    EXPECT_EQ(back, image);
}

TEST_F(StationRunner, PcbaMaskBeyondEightBitsReachesTheChannel) {
    // Transit code (0x200) fails: the process status is 255, the mask comes
    // through the tool's "exitcode:" line.
    Settings(1000000, 0x200);
    StartDevice("QM2B", "loader", {"--fw-fail", "wifi_info"});
    station::StepOutcome outcome = Run(station::StepKind::UartPcba);
    EXPECT_FALSE(outcome.pass);
    EXPECT_EQ(outcome.status, 0x200) << MainLog();
    EXPECT_EQ(row.testExitCode.load(), 0x200);
    EXPECT_TRUE(Logged("[3] PipRuncmdPCBA process over (512 vs 0) FAIL\n"));
    EXPECT_TRUE(Logged("[3] PcbaTestUart task over FAIL\n"));
}

TEST_F(StationRunner, StopEndsARunningDownload) {
    Settings(1000000);
    BurnList(0x200000);
    StartDevice("QM2B", "loader", {"--rate-limit"});  // about 100 KB/s: 20 s for the image
    std::atomic<bool> over{false};
    std::thread stopper([&] {
        while (row.progress.load() < 20 && !over) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        row.stopRequested = 1;
    });
    station::StepOutcome outcome = Run(station::StepKind::UartDownload);
    over = true;
    stopper.join();
    // Cut short: the image never got near its end.
    EXPECT_FALSE(outcome.pass);
    EXPECT_LT(row.progress.load(), 90);
    EXPECT_TRUE(Logged("[3] PipRuncmd process over FAIL\n"));
}

}  // namespace
