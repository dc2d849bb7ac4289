#include <gtest/gtest.h>

#include "pirrow/jobs.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

// A loader that answers any command with the scripted pieces, each
// `delayMs` after the command.
struct FactoryJob : ::testing::Test {
    ScriptedSession f;
    std::vector<std::pair<std::string, uint32_t>> answer;
    void SetUp() override {
        f.onWrite = [this](ScriptedLink& link, const std::string&) {
            for (const auto& [text, delayMs] : answer) link.Reply(text, delayMs);
        };
    }
    bool LogHas(const std::string& line) { return f.Log().find(line) != std::string::npos; }
};

TEST_F(FactoryJob, WriteSendsTheGivenCommandAndTakesTheVerdict) {
    f.session.settings.fishCommand = "otp_factory_write 2 \"SN0001\"\r\n";
    answer = {{"OTP_FACTORY_WRITE_PASS\r\n", 1500}};
    {
        CaptureStdout out;
        EXPECT_TRUE(pirrow::WrFactoryOtp(f.session));
        EXPECT_EQ(out.Finish(), "percent:1 \n");
    }
    EXPECT_EQ(f.link().written, "otp_factory_write 2 \"SN0001\"\r\n");
    EXPECT_FALSE(f.link().IsOpen());
    EXPECT_TRUE(LogHas("channel WrFactoryOtp start \n") && LogHas("WrFactoryOtp success \n"));

    answer = {{"OTP_FACTORY_WRITE_FAIL\r\n", 10}};
    CaptureStdout out;
    EXPECT_FALSE(pirrow::WrFactoryOtp(f.session));
    EXPECT_TRUE(LogHas("WrFactoryOtp fail \n"));
}

TEST_F(FactoryJob, WriteWithoutCommandFails) {
    CaptureStdout out;
    EXPECT_FALSE(pirrow::WrFactoryOtp(f.session));
    EXPECT_EQ(f.link().written, "");
    EXPECT_TRUE(LogHas("WrFactoryOtp no fish cmd \n"));
}

TEST_F(FactoryJob, ReadPrintsTheWholeReplyOnceTheLoaderIsDone) {
    const std::string records = "FACTORY_CFG_ID_MAC:112233445566\r\n100% done\r\n";
    answer = {{records, 500}, {"OTP_FACTORY_READ_OVER\r\n", 1500}};
    {
        CaptureStdout out;
        EXPECT_TRUE(pirrow::RdFactoryOtp(f.session));
        EXPECT_EQ(out.Finish(), records + "OTP_FACTORY_READ_OVER\r\n");
    }
    EXPECT_EQ(f.link().written, "otp_factory_read\r\n");
    EXPECT_EQ(f.clock.NowMs(), 2500u);  // the answer at 1.5 s, then the 1 s pause
    EXPECT_TRUE(LogHas("    w: otp_factory_read\n") && LogHas("RdFactoryOtp success \n"));

    // A given command replaces the built-in one; no end marker: fail, nothing printed.
    f.session.settings.fishCommand = "otp_factory_read 11\r\n";
    answer = {{records + "Fail", 10}};
    CaptureStdout out;
    EXPECT_FALSE(pirrow::RdFactoryOtp(f.session));
    EXPECT_EQ(out.Finish(), "");
    EXPECT_EQ(f.link().written, "otp_factory_read 11\r\n");
    EXPECT_EQ(f.clock.NowMs(), 2500u + 10000u);
}

TEST_F(FactoryJob, PaymentCheckNeedsAllFourKeys) {
    answer = {{"FACTORY_CFG_ID_MAC:112233445566\r\nFACTORY_CFG_ID_ALIPAY_PK:ab\r\n", 100},
              {"Fail\r\nFACTORY_CFG_ID_ALIPAY_DN:cd\r\n", 800},
              {"FACTORY_CFG_ID_ALIPAY_DS:ef\r\n", 2900}};
    {
        CaptureStdout out;
        EXPECT_TRUE(pirrow::AlpayCheck(f.session));
        EXPECT_EQ(out.Finish(), "");
    }
    EXPECT_EQ(f.link().written, "otp_factory_read\r\n");
    EXPECT_EQ(f.clock.NowMs(), 2900u);
    EXPECT_TRUE(LogHas("R: FACTORY_CFG_ID_MAC:") && LogHas("AlpayCheck success \n"));

    answer.pop_back();
    const uint64_t before = f.clock.NowMs();
    EXPECT_FALSE(pirrow::AlpayCheck(f.session));
    EXPECT_EQ(f.clock.NowMs() - before, 3000u);
    EXPECT_TRUE(LogHas("AlpayCheck fail \n"));
}

}  // namespace
