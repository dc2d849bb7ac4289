#include <gtest/gtest.h>

#include <cerrno>

#include "pirrow/uart_link.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::ScriptedSession;

struct WaitRoutines : ::testing::Test {
    ScriptedSession f;
    pirrow::UartLink& link = f.session.link;
    void SetUp() override { ASSERT_TRUE(link.Open("ttyTEST", 1000000)); }
};

TEST_F(WaitRoutines, SuccessTokenIsLookedForFirst) {
    f.link().Reply("Fail...OK\r\n", 30);
    EXPECT_TRUE(link.WaitOk(1000));
    EXPECT_EQ(link.Reply(), "Fail...OK\r\n");
    EXPECT_NE(f.Log().find("R: Fail...OK\r\n\n"), std::string::npos);
}

TEST_F(WaitRoutines, FailEndsTheWaitEarly) {
    f.link().Reply("Fail\r\n", 50);
    EXPECT_FALSE(link.WaitOk(3000));
    EXPECT_LT(f.clock.NowMs(), 100u);
}

TEST_F(WaitRoutines, TokensAreCaseSensitiveAndTimeOutIsACycleCount) {
    f.link().Reply("FAIL ok", 10);
    EXPECT_FALSE(link.WaitOk(500));
    EXPECT_EQ(f.clock.NowMs(), 500u);
}

TEST_F(WaitRoutines, TokenSplitAcrossReadsIsFound) {
    f.link().Reply("RX_W", 10);
    f.link().Reply("AIT", 40);
    EXPECT_TRUE(link.WaitRxWait(3000));
    EXPECT_EQ(f.clock.NowMs(), 40u);
}

TEST_F(WaitRoutines, WaitOkProgressPrintsChangesThenTheEnd) {
    f.link().Reply("OK", 45);
    CaptureStdout out;
    EXPECT_TRUE(link.WaitOkProgress(100, 10, 30));
    // 10 cycles: values 12, 14, 16, 18 printed before the OK arrives in cycle 5 (read after the update).
    EXPECT_EQ(out.Finish(), "percent:12 \npercent:14 \npercent:16 \npercent:18 \npercent:20 \npercent:30 \n");
}

TEST_F(WaitRoutines, ReadExpectRetProgressRules) {
    {
        CaptureStdout out;
        EXPECT_FALSE(link.ReadExpectRet("PASS", "FAIL", 3, -1, -1));
        EXPECT_EQ(out.Finish(), "");
        EXPECT_EQ(f.clock.NowMs(), 3000u);
    }
    {
        CaptureStdout out;
        EXPECT_FALSE(link.ReadExpectRet("PASS", nullptr, 2, 36, 36));
        EXPECT_EQ(out.Finish(), "");
    }
    {
        CaptureStdout out;
        f.link().Reply("xx FAIL", 0);
        EXPECT_FALSE(link.ReadExpectRet("PASS", "FAIL", 4, 90, 130));
        EXPECT_EQ(out.Finish(), "percent:100 \n");
    }
}

TEST_F(WaitRoutines, WithoutFailureTokenOnlySuccessEnds) {
    f.link().Reply("Fail Fail", 0);
    f.link().Reply("OTP_FACTORY_READ_OVER", 2500);
    EXPECT_TRUE(link.ReadExpectRet("OTP_FACTORY_READ_OVER", nullptr, 10, -1, -1));
    EXPECT_EQ(f.clock.NowMs(), 2500u);
}

TEST_F(WaitRoutines, ReplyBufferNeverExceedsItsLimit) {
    f.link().Reply(std::string(100000, 'x'), 0);
    EXPECT_FALSE(link.ReadExpectRet("PASS", "FAIL", 5, -1, -1));
    EXPECT_EQ(link.Reply().size(), pirrow::kReplyLimit);
    EXPECT_EQ(f.clock.NowMs(), 0u);  // a full buffer ends the wait at once
}

TEST_F(WaitRoutines, DrainKeepsAtMostItsBufferAndLogsWithANewline) {
    f.link().Reply("boot text", 0);
    link.Drain();
    EXPECT_EQ(f.clock.NowMs(), 2000u);
    EXPECT_NE(f.Log().find("R: \nboot text\n"), std::string::npos);
}

TEST(UartOpen, LogsOpenAndFailureWithItsCause) {
    ScriptedSession f;
    f.failOpen = true;
    EXPECT_FALSE(f.session.link.Open("COM12", 1000000));
    f.openError = {platform::SerialOpenFailure::Port, EACCES};
    EXPECT_FALSE(f.session.link.Open("ttyUSB1", 1000000));
    // Held by another program: busy, whichever way that showed.
    f.openError = {platform::SerialOpenFailure::Busy, EWOULDBLOCK};
    EXPECT_FALSE(f.session.link.Open("ttyUSB2", 1000000));
    f.openError = {platform::SerialOpenFailure::BaudRate, EINVAL};
    EXPECT_FALSE(f.session.link.Open("ttyUSB3", 12345));
    f.failOpen = false;
    EXPECT_TRUE(f.session.link.Open("COM5", 3000000));
    EXPECT_EQ(f.openedBauds.back(), 3000000);
    std::string log = f.Log();
    for (const char* line : {"uart COM12 open fail \n", "X uart COM12 open: No such file or directory\n",
                             "uart ttyUSB1 open fail \n", "X uart ttyUSB1 open: Permission denied\n",
                             "X add the user to the dialout group\n", "X uart ttyUSB2 open: Device or resource busy\n",
                             "uart ttyUSB3 open fail \n", "X uart baud 12345 not supported: Invalid argument\n",
                             "uart COM5 open success \n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_EQ(log.find("dialout"), log.rfind("dialout"));  // only for the permission problem
}

TEST_F(WaitRoutines, FailedWritesAndRefusedRatesSayWhy) {
    f.link().failWrites = true;
    EXPECT_FALSE(link.Send("burn_reset\r"));
    f.link().failWrites = false;
    f.link().refusedBaud = 8000000;
    EXPECT_FALSE(link.SetBaud(8000000));
    EXPECT_EQ(link.Baud(), 1000000);
    std::string log = f.Log();
    EXPECT_NE(log.find("X uart write fail: Input/output error\n"), std::string::npos);
    EXPECT_NE(log.find("X uart baud 8000000 not supported: Invalid argument\n"), std::string::npos);
}

// A real tty reports at most 4095 queued bytes; a read must not stop there.
TEST_F(WaitRoutines, ReadTakesEverythingTheDriverHolds) {
    f.link().queuedReportCap = 4095;
    f.link().Reply(std::string(50000, 'd'), 0);
    std::string got;
    EXPECT_EQ(link.ReadQueued(got, 81920), 50000u);
}

// Waits end when the answer comes: a wait wakes with the bytes, not at the
// end of its cycle, and keeps the console lines and limits of its cycles.
TEST_F(WaitRoutines, AnswerEarlyInALongCycleEndsTheWaitAtOnceWithTheSameLines) {
    f.link().Reply("BATTERY_CALI_PASS\r\n", 5);
    CaptureStdout out;
    EXPECT_TRUE(link.ReadExpectRet("BATTERY_CALI_PASS", "BATTERY_CALI_FAIL", 25, 10, 95));
    EXPECT_EQ(f.clock.NowMs(), 5u);
    EXPECT_EQ(out.Finish(), "percent:13 \n");  // cycle 1's line, as when read at 1000 ms
}

TEST_F(WaitRoutines, AnswerInTheThirdCycleGivesTheLinesOfCyclesOneToThree) {
    f.link().Reply("PASS\r\n", 2500);
    CaptureStdout out;
    EXPECT_TRUE(link.ReadExpectRet("PASS", "FAIL", 5, 0, 100));
    EXPECT_EQ(f.clock.NowMs(), 2500u);
    EXPECT_EQ(out.Finish(), "percent:20 \npercent:40 \npercent:60 \n");
}

TEST_F(WaitRoutines, SilentDeviceTimesOutAtTheOldLimit) {
    CaptureStdout out;
    EXPECT_FALSE(link.ReadExpectRet("PASS", "FAIL", 3, 10, 40));
    EXPECT_EQ(f.clock.NowMs(), 3000u);
    EXPECT_EQ(out.Finish(), "percent:20 \npercent:30 \npercent:40 \n");
    EXPECT_FALSE(link.WaitOk(3000));
    EXPECT_EQ(f.clock.NowMs(), 6000u);
}

// A value after the token on its line must not be cut off; a line that never
// ends is taken as it stands at the end of its cycle, as before.
TEST_F(WaitRoutines, AnAnswerCountsOnceItsLineHasEnded) {
    f.link().Reply("third_func_check_FAIL:", 5);
    f.link().Reply("12\r\n", 8);
    EXPECT_FALSE(link.ReadExpectRet("third_func_check_PASS", "third_func_check_FAIL", 3, -1, -1));
    EXPECT_EQ(f.clock.NowMs(), 8u);
    EXPECT_EQ(link.Reply(), "third_func_check_FAIL:12\r\n");

    f.link().Reply("Factory_bt_status:OK", 10);
    const uint64_t start = f.clock.NowMs();
    EXPECT_TRUE(link.ReadExpectRet("Factory_bt_status:OK", "Factory_bt_status:FAIL", 3, -1, -1));
    EXPECT_EQ(f.clock.NowMs() - start, 1000u);
}

TEST_F(WaitRoutines, ReadBackWaitEndsOnceTheChecksumIsIn) {
    f.link().Reply("OK\r\n", 5);
    f.link().Reply("CRC:0x1234", 7);
    f.link().Reply("5678\r\n", 9);
    EXPECT_TRUE(link.WaitOkUntil(5000, [](const std::string& r) {
        const size_t at = r.find("CRC:");
        return at != std::string::npos && r.size() >= at + 14;
    }));
    EXPECT_EQ(f.clock.NowMs(), 9u);
}

}  // namespace
