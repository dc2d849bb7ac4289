#include <gtest/gtest.h>

#include "pirrow/calibration.h"
#include "pirrow/jobs.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

TEST(CrystalWait, SecondsComeFromTheCommandWithinLimits) {
    EXPECT_EQ(pirrow::CrystalWaitSeconds(""), 20);
    EXPECT_EQ(pirrow::CrystalWaitSeconds("crystal_cali 8 5 25\r\n"), 25);
    EXPECT_EQ(pirrow::CrystalWaitSeconds("crystal_cali 8 5 40\r\n"), 30);
    EXPECT_EQ(pirrow::CrystalWaitSeconds("crystal_cali 8 5 5\r\n"), 20);
    EXPECT_EQ(pirrow::CrystalWaitSeconds("crystal_cali 8\r\n"), 20);
    EXPECT_EQ(pirrow::CrystalWaitSeconds("ble_crystal_cali 27 8 5\r\n"), 27);
    EXPECT_EQ(pirrow::CrystalWaitSeconds("ble_crystal_cali 99\r\n"), 30);
}

// A loader that answers every command with the scripted pieces.
struct CalibrationJob : ::testing::Test {
    ScriptedSession f;
    std::vector<std::pair<std::string, uint32_t>> answer;
    void SetUp() override {
        f.onWrite = [this](ScriptedLink& link, const std::string& w) {
            if (w == "burn_reset\r") return;
            for (const auto& [text, delayMs] : answer) link.Reply(text, delayMs);
        };
    }
    bool LogHas(const std::string& line) { return f.Log().find(line) != std::string::npos; }
};

TEST_F(CalibrationJob, CrystalPassesWithProgressOverTheWaitTime) {
    f.session.settings.fishCommand = "crystal_cali 8 5 25\r\n";
    answer = {{"argv[1]=8\r\n", 500}, {"CRYSTAL_CALI_PASS\r\n", 4500}};
    CaptureStdout out;
    EXPECT_TRUE(pirrow::CaliCrystal(f.session));
    // 27 polls: 85 * i / 27 + 10 for i = 1..5, then the pass.
    EXPECT_EQ(out.Finish(), "percent:10 \npercent:13 \npercent:16 \npercent:19 \npercent:22 \npercent:25 \n"
                            "percent:100 \n");
    EXPECT_EQ(f.link().written, "crystal_cali 8 5 25\r\n");
    EXPECT_TRUE(LogHas("    waitSecond: 27\n") && LogHas("CaliCrystal success \n"));
    EXPECT_FALSE(LogHas("retry"));
}

TEST_F(CalibrationJob, CrystalCommandNeverTakenIsSentOnceMore) {
    f.session.settings.postAct = 1;
    CaptureStdout out;
    EXPECT_FALSE(pirrow::CaliCrystal(f.session));
    // T = 22: each attempt gives up at poll 11.
    EXPECT_EQ(f.clock.NowMs(), 2 * 11000u + 100u);
    EXPECT_EQ(f.link().written, "crystal_cali 8 5 10\rcrystal_cali 8 5 10\rburn_reset\r");
    const std::string log = f.Log();
    EXPECT_NE(log.find("retry ... \n"), std::string::npos);
    EXPECT_EQ(log.find("retry ... \n"), log.rfind("retry ... \n"));
    EXPECT_NE(log.find("CaliCrystal fail \n"), std::string::npos);
}

TEST_F(CalibrationJob, CrystalFailureAfterTheCommandWasTakenIsFinal) {
    answer = {{"argv[1]=8\r\nCRYSTAL_CALI_FAIL\r\n", 2000}};
    CaptureStdout out;
    EXPECT_FALSE(pirrow::CaliCrystal(f.session));
    EXPECT_EQ(f.link().written, "crystal_cali 8 5 10\r");
    EXPECT_EQ(f.clock.NowMs(), 2000u);

    // Taken but silent: the whole wait runs out, again without a retry.
    answer = {{"argv[1]=8\r\n", 500}};
    const uint64_t before = f.clock.NowMs();
    EXPECT_FALSE(pirrow::CaliCrystal(f.session));
    EXPECT_EQ(f.clock.NowMs() - before, 22000u);
    EXPECT_FALSE(LogHas("retry"));
}

TEST_F(CalibrationJob, Battery) {
    answer = {{"BATTERY_CALI_PASS\r\n", 2500}};
    f.session.settings.postAct = 1;
    {
        CaptureStdout out;
        EXPECT_TRUE(pirrow::CaliBattery(f.session));
        // 25 cycles from 10 to 95: 13, 16, 20 before the pass in cycle 3.
        EXPECT_EQ(out.Finish(), "percent:10 \npercent:13 \npercent:16 \npercent:20 \npercent:100 \n");
    }
    EXPECT_EQ(f.link().written, "battery_cali 4000 400 30 1000 220\rburn_reset\r");
    EXPECT_TRUE(LogHas("channel CaliBattery start \n") && LogHas("CaliBattery success \n"));

    f.session.settings.fishCommand = "battery_cali 4100 400 30 1000 220\r\n";
    f.session.settings.postAct = 0;
    answer = {{"BATTERY_CALI_FAIL\r\n", 100}};
    CaptureStdout out;
    EXPECT_FALSE(pirrow::CaliBattery(f.session));
    EXPECT_EQ(f.link().written, "battery_cali 4100 400 30 1000 220\r\n");
    EXPECT_TRUE(LogHas("CaliBattery fail \n"));
}

}  // namespace
