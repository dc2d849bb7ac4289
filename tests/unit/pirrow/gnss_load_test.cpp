#include <gtest/gtest.h>

#include "pirrow/gnss_load.h"
#include "pirrow/jobs.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"

namespace {

using pirrow::GnssLineSplitter;
using pirrow::GnssProgressPercent;
using pirrow::GnssVerdict;
using pirrow::JudgeGnssLine;
using testing_support::CaptureStdout;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;
using Lines = std::vector<std::string>;

TEST(GnssLines, SplitAnywhereAndJoinedAgain) {
    GnssLineSplitter s;
    EXPECT_EQ(s.Feed("GNSS,01,0"), Lines{});
    EXPECT_EQ(s.Room(), 499u - 9u);
    EXPECT_EQ(s.Feed("1,00\r"), Lines{});
    EXPECT_EQ(s.Feed("\nGNSS,01,03,01,10\r\n\nboot"), (Lines{"GNSS,01,01,00\r", "GNSS,01,03,01,10\r"}));
    EXPECT_EQ(s.Feed("\n"), Lines{"boot"});
    EXPECT_EQ(s.Room(), 499u);
}

TEST(GnssLines, OverlongLineNeverOverfillsTheBuffer) {
    GnssLineSplitter s;
    EXPECT_EQ(s.Feed(std::string(498, 'x')), Lines{});
    EXPECT_EQ(s.Room(), 1u);
    Lines lines = s.Feed("y");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], std::string(498, 'x') + "y");
    EXPECT_EQ(s.Room(), 499u);
    // The rest of the long line and a normal line after it.
    EXPECT_EQ(s.Feed("zz\nGNSS,01,04,00\n"), (Lines{"zz", "GNSS,01,04,00"}));
}

TEST(GnssLines, ProgressPercentFromStageAndValue) {
    EXPECT_EQ(GnssProgressPercent("GNSS,01,03,03,50\r"), 50);
    EXPECT_EQ(GnssProgressPercent("GNSS,01,03,01,00"), 0);
    EXPECT_EQ(GnssProgressPercent("GNSS,01,03,04,99"), 79);
    EXPECT_EQ(GnssProgressPercent("info GNSS,01,03,02,25"), 25);
    EXPECT_EQ(GnssProgressPercent("GNSS,01,03,05,10"), std::nullopt);
    EXPECT_EQ(GnssProgressPercent("GNSS,01,03,09,10"), std::nullopt);
    // Short or malformed lines never read past their end.
    EXPECT_EQ(GnssProgressPercent("GNSS,01,03,02"), std::nullopt);
    EXPECT_EQ(GnssProgressPercent("GNSS,01,03,02,5"), 21);
    EXPECT_EQ(GnssProgressPercent("GNSS,01,03,0x,50"), std::nullopt);
    EXPECT_EQ(GnssProgressPercent("GNSS,01,02,00"), std::nullopt);
}

TEST(GnssLines, WhichLinesEndAWait) {
    EXPECT_EQ(JudgeGnssLine(1, "GNSS,01,01,00\r"), GnssVerdict::Success);
    EXPECT_EQ(JudgeGnssLine(1, "GNSS,01,01,02\r"), GnssVerdict::Failure);
    EXPECT_EQ(JudgeGnssLine(1, "GNSS,01,04,00"), GnssVerdict::Continue);
    EXPECT_EQ(JudgeGnssLine(2, "GNSS,01,02,00"), GnssVerdict::Continue);
    EXPECT_EQ(JudgeGnssLine(2, "GNSS,01,02,01"), GnssVerdict::Failure);
    EXPECT_EQ(JudgeGnssLine(2, "GNSS,01,03,02,50"), GnssVerdict::Continue);
    EXPECT_EQ(JudgeGnssLine(2, "GNSS,01,04,00"), GnssVerdict::Success);
    EXPECT_EQ(JudgeGnssLine(2, "GNSS,01,04,03"), GnssVerdict::Failure);
}

// A GNSS loader behind the port: answers each request with chosen lines.
struct GpsLoadJob : ::testing::Test {
    ScriptedSession f;
    std::vector<std::string> commands;
    std::string requestReply = "GNSS,01,01,00\r\n";
    std::vector<std::pair<std::string, uint32_t>> loadReplies = {
        {"GNSS,01,02,00\r\n", 100}, {"GNSS,01,03,01,50\r\nGNSS,01,03,02,00\r\n", 300},
        {"GNSS,01,03,04,", 500},    {"95\r\nGNSS,01,03,05,", 700},
        {"10\r\nGNSS,01,04,00\r\n", 900}};

    void SetUp() override {
        f.session.settings.baud = 0;
        f.onWrite = [this](ScriptedLink& l, const std::string& c) {
            commands.push_back(c);
            if (c == "GNSS,01,01\r\n") l.Reply(requestReply, 50);
            if (c == "GNSS,01,02\r\n")
                for (auto& [text, at] : loadReplies) l.Reply(text, at);
        };
    }
    bool Run(std::string* console = nullptr) {
        CaptureStdout out;
        bool ok = pirrow::GpsLoad(f.session);
        std::string text = out.Finish();
        if (console) *console = text;
        return ok;
    }
    bool Logged(const std::string& line) const { return f.Log().find(line) != std::string::npos; }
};

TEST_F(GpsLoadJob, FullLoadWithProgress) {
    std::string console;
    EXPECT_TRUE(Run(&console));
    EXPECT_EQ(f.openedBauds, std::vector<int>{1000000});
    EXPECT_EQ(commands, (std::vector<std::string>{"GNSS,01,01\r\n", "GNSS,01,02\r\n"}));
    EXPECT_EQ(console,
              "info:GNSS,01,01,00\r\n"
              "info:GNSS,01,02,00\r\n"
              "info:GNSS,01,03,01,50\r\npercent:10\n"
              "info:GNSS,01,03,02,00\r\npercent:20\n"
              "info:GNSS,01,03,04,95\r\npercent:79\n"
              "info:GNSS,01,03,05,10\r\n"
              "info:GNSS,01,04,00\r\n"
              "percent:100 \n");
    EXPECT_TRUE(Logged("channel GpsLoad start \n"));
    EXPECT_TRUE(Logged("R: GNSS,01,03,04,95\r\n"));
    EXPECT_TRUE(Logged("GpsLoad success \n"));
    EXPECT_FALSE(f.link().IsOpen());
}

TEST_F(GpsLoadJob, RequestRefusedTenTimes) {
    requestReply = "noise\r\nGNSS,01,01,01\r\n";
    std::string console;
    EXPECT_FALSE(Run(&console));
    EXPECT_EQ(commands, std::vector<std::string>(10, "GNSS,01,01\r\n"));
    EXPECT_EQ(console.find("info:noise"), std::string::npos);
    EXPECT_TRUE(Logged("R: noise\r\n"));
    EXPECT_TRUE(Logged("GpsLoad fail \n"));
}

TEST_F(GpsLoadJob, SilentLoaderTimesOutEachRequest) {
    requestReply.clear();
    uint64_t start = f.clock.NowMs();
    EXPECT_FALSE(Run());
    EXPECT_EQ(commands.size(), 10u);
    // Each wait: 100 ms, then 21 reads with 100 ms after each.
    EXPECT_EQ(f.clock.NowMs() - start, 10u * (100 + 21 * 100));
}

TEST_F(GpsLoadJob, FailedStartOrEndFailsWithoutAnotherRequest) {
    loadReplies = {{"GNSS,01,02,03\r\n", 100}};
    EXPECT_FALSE(Run());
    EXPECT_EQ(commands.size(), 2u);

    commands.clear();
    loadReplies = {{"GNSS,01,02,00\r\nGNSS,01,04,01\r\n", 100}};
    std::string console;
    EXPECT_FALSE(Run(&console));
    EXPECT_EQ(commands.size(), 2u);
    EXPECT_EQ(console.find("percent:100"), std::string::npos);
}

TEST_F(GpsLoadJob, OverlongLineDoesNotHideTheEnd) {
    loadReplies = {{"GNSS,01,02,00\r\n" + std::string(1200, 'g') + "\r\nGNSS,01,04,00\r\n", 100}};
    EXPECT_TRUE(Run());
}

TEST_F(GpsLoadJob, PortThatDoesNotOpen) {
    f.failOpen = true;
    f.session.settings.baud = 921600;
    EXPECT_FALSE(Run());
    EXPECT_EQ(f.openedBauds, std::vector<int>{921600});
    EXPECT_TRUE(Logged("uart ttyTEST open fail \n"));
    EXPECT_TRUE(Logged("GpsLoad fail \n"));
}

}  // namespace
