#include <gtest/gtest.h>

#include "pirrow/erase_table.h"
#include "pirrow/jobs.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"

namespace {

using pirrow::EraseAllKind;
using testing_support::CaptureStdout;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

// Commands with their waits, as "command|limit|from|to" for compact checks.
std::vector<std::string> Describe(const std::vector<pirrow::EraseStep>& steps) {
    std::vector<std::string> out;
    for (const auto& s : steps) {
        EXPECT_EQ(s.logLine, "erase: " + s.command.substr(s.command.find(' ') + 1, 10) + "\n");
        out.push_back(s.command + "|" + std::to_string(s.timeoutMs) + "|" + std::to_string(s.from) + "|" +
                      std::to_string(s.to));
    }
    return out;
}

TEST(EraseTable, RegionsPerDeviceFamily) {
    using V = std::vector<std::string>;
    const V b = {"burn_erase_all 0x10000000\r|60000|10|30", "burn_erase_all 0x64000000\r|120000|30|95"};
    EXPECT_EQ(Describe(pirrow::EraseAllSteps("", EraseAllKind::Everything)), b);
    EXPECT_EQ(Describe(pirrow::EraseAllSteps("QM2B_SD", EraseAllKind::Everything)), b);
    EXPECT_EQ(Describe(pirrow::EraseAllSteps("QM2C", EraseAllKind::Everything)),
              (V{"burn_erase_all 0x1c000000\r|60000|10|30", "burn_erase_all 0x14000000\r|120000|30|95"}));
    EXPECT_EQ(Describe(pirrow::EraseAllSteps("QM2C_NAND", EraseAllKind::Everything)),
              (V{"burn_erase_all 0x1c000000\r|60000|10|30", "burn_erase_all 0x64000000\r|120000|30|95"}));
    EXPECT_EQ(Describe(pirrow::EraseAllSteps("QM2E", EraseAllKind::Everything)),
              (V{"burn_erase_all 0x1c000000\r|60000|10|30", "burn_erase_all 0x14000000\r|120000|30|70",
                 "burn_erase_all 0x18000000\r|120000|70|95"}));
    EXPECT_EQ(Describe(pirrow::EraseAllSteps("QM2E_NAND", EraseAllKind::Everything)),
              (V{"burn_erase_all 0x1c000000\r|60000|10|30", "burn_erase_all 0x64000000\r|120000|30|70",
                 "burn_erase_all 0x68000000\r|120000|70|95"}));
    EXPECT_EQ(Describe(pirrow::EraseAllSteps("QM2A", EraseAllKind::Everything)),
              (V{"burn_erase_all 0x12000000\r|120000|10|95", "burn_erase_all 0x10000000\r|120000|10|95"}));
    EXPECT_EQ(Describe(pirrow::EraseAllSteps("QM2A_NAND", EraseAllKind::Everything)),
              (V{"burn_erase_all 0x62000000\r|120000|10|95"}));
    EXPECT_TRUE(pirrow::EraseAllSteps("QM2D", EraseAllKind::Everything).empty());
    EXPECT_TRUE(pirrow::EraseAllSteps("qm2b", EraseAllKind::Everything).empty());
}

TEST(EraseTable, KeepingTheFactoryAreaChangesOnlyQm2aNand) {
    EXPECT_EQ(Describe(pirrow::EraseAllSteps("QM2A_NAND", EraseAllKind::KeepFactoryArea)),
              (std::vector<std::string>{"burn_erase_all_factory 0x62000000\r|120000|10|95"}));
    for (const char* type : {"", "QM2B", "QM2C_NAND", "QM2E_NAND", "QM2A", "QM2D"})
        EXPECT_EQ(Describe(pirrow::EraseAllSteps(type, EraseAllKind::KeepFactoryArea)),
                  Describe(pirrow::EraseAllSteps(type, EraseAllKind::Everything)))
            << type;
}

// A loader that answers every erase after `eraseMs`, or "Fail" for the
// command numbered `failAt` (from 1).
struct EraseJob : ::testing::Test {
    ScriptedSession f;
    uint32_t eraseMs = 50;
    int failAt = 0;
    int commands = 0;
    void SetUp() override {
        f.onWrite = [this](ScriptedLink& link, const std::string&) {
            link.Reply(++commands == failAt ? "Fail\r\n" : "OK\r\n", eraseMs);
        };
    }
};

TEST_F(EraseJob, ProgressFallsBackBetweenTheTwoQm2aRegions) {
    f.session.settings.deviceType = "QM2A";
    f.session.settings.postAct = 1;
    eraseMs = 3000;  // long enough to move 1 % twice in a 120 s wait
    CaptureStdout out;
    ASSERT_TRUE(pirrow::EraseAllUart(f.session));
    EXPECT_EQ(out.Finish(),
              "percent:10 \npercent:11 \npercent:12 \npercent:95 \npercent:11 \npercent:12 \npercent:95 \n"
              "percent:100 \n");
    EXPECT_EQ(f.link().written, "burn_erase_all 0x12000000\rburn_erase_all 0x10000000\r");
    EXPECT_FALSE(f.link().IsOpen());
    const std::string log = f.Log();
    const size_t first = log.find("    erase: 0x12000000\n");
    EXPECT_LT(first, log.find("    erase: 0x10000000\n"));
    EXPECT_NE(log.find("EraseAllUart start \n"), std::string::npos);
    EXPECT_NE(log.find("EraseAllUart success \n"), std::string::npos);
}

TEST_F(EraseJob, UnknownFamilyErasesNothingAndPasses) {
    f.session.settings.deviceType = "QM2D";
    CaptureStdout out;
    EXPECT_TRUE(pirrow::EraseAllUart(f.session));
    EXPECT_EQ(out.Finish(), "percent:10 \npercent:100 \n");
    EXPECT_EQ(f.link().written, "");
}

TEST_F(EraseJob, FailingRegionEndsTheJob) {
    f.session.settings.deviceType = "QM2E";
    failAt = 2;
    CaptureStdout out;
    EXPECT_FALSE(pirrow::EraseAllUart(f.session));
    EXPECT_EQ(out.Finish(), "percent:10 \npercent:30 \n");
    EXPECT_EQ(f.link().written, "burn_erase_all 0x1c000000\rburn_erase_all 0x14000000\r");
    EXPECT_FALSE(f.link().IsOpen());
    EXPECT_NE(f.Log().find("EraseAllUart fail \n"), std::string::npos);
}

TEST_F(EraseJob, ExcludeVariantKeepsTheFactoryAreaOfNandParts) {
    f.session.settings.deviceType = "QM2A_NAND";
    CaptureStdout out;
    EXPECT_TRUE(pirrow::EraseExcludeAddrUart(f.session));
    EXPECT_EQ(f.link().written, "burn_erase_all_factory 0x62000000\r");
    EXPECT_NE(f.Log().find("EraseAllUart success \n"), std::string::npos);
}

TEST_F(EraseJob, RangeErase) {
    f.session.settings.readAddr = 0x10020000;
    f.session.settings.readLen = 0x400;
    eraseMs = 300;  // 30 of the 500 cycles move the 80 points by 4
    {
        CaptureStdout out;
        EXPECT_TRUE(pirrow::EraseAddrUart(f.session));
        EXPECT_EQ(out.Finish(), "percent:10 \npercent:11 \npercent:12 \npercent:13 \npercent:14 \npercent:90 \n"
                                "percent:100 \n");
    }
    EXPECT_EQ(f.link().written, "burn_erase 0x10020000 0x400\r");
    EXPECT_NE(f.Log().find("EraseAddrUart success \n"), std::string::npos);

    failAt = 2;
    CaptureStdout out;
    EXPECT_FALSE(pirrow::EraseAddrUart(f.session));
    EXPECT_EQ(out.Finish().find("percent:100"), std::string::npos);
    EXPECT_NE(f.Log().find("EraseAddrUart fail \n"), std::string::npos);
}

}  // namespace
