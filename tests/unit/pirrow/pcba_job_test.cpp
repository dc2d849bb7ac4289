#include <gtest/gtest.h>

#include <map>

#include "pirrow/jobs.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

constexpr const char* kStartPercents = "percent:1 \npercent:32 \npercent:33 \npercent:34 \npercent:35 \npercent:36 \n";

// A factory firmware answering each command with a fixed reply.
struct PcbaJob : ::testing::Test {
    ScriptedSession f;
    std::vector<std::string> commands;
    std::map<std::string, std::string> replies = {
        {"Factory enter_test\r\n", "Factory_enter_test_status:OK\r\n"},
        {"Factory get_info\r\n",
         "Factory_get_info_data:\r\nfw_version:v1.0.0.1\r\nble_name:norva_ble   \r\nFactory_get_info_status:OK\r\n"},
        {"Factory bt\r\n",
         "Factory_get_bt_data:\r\nsw_version:s1\r\nsw_name:sn\r\nbt_version:b1\r\nbt_name:bn\r\n"
         "Factory_bt_status:OK\r\n"},
        {"Factory gsensor\r\n", "Factory_gsensor_status:OK\r\n"},
        {"Factory ble_mac\r\n", "Factory_ble_mac_status:OK\r\n"},
        {"Factory hr\r\n", "Factory_hr_status:OK\r\n"},
        {"Factory flash\r\n", "Factory_flash_status:OK\r\n"},
        {"Factory charger\r\n", "Factory_charger_status:OK\r\n"},
        {"Factory cywee\r\n", "Factory_cywee_status:OK\r\n"},
        {"Factory wifi_info\r\n",
         "Factory_get_wifi_data:\r\nwifi_version:w2\r\nFactory_wifi_info_status:OK\r\n"},
        {"third_func_check 0\r\n", "third_func_check_PASS\r\n"},
    };

    void SetUp() override {
        f.onWrite = [this](ScriptedLink& l, const std::string& c) {
            commands.push_back(c);
            auto it = replies.find(c);
            if (it != replies.end()) l.Reply(it->second, 50);
        };
        auto& cfg = f.session.settings;
        cfg.deviceType = "QM2B";
        cfg.bleName = "norva_ble";
        cfg.fwVersion = "v1.0.0.1";
    }
    uint32_t Run(int32_t mask, std::string* console = nullptr) {
        f.session.settings.pcbaMask = mask;
        f.session.statusReported = false;  // one job per process in real runs
        CaptureStdout out;
        uint32_t failed = pirrow::PcbaTest(f.session);
        std::string text = out.Finish();
        if (console) *console = text;
        return failed;
    }
    size_t Count(const std::string& command) const { return size_t(std::count(commands.begin(), commands.end(), command)); }
    bool Logged(const std::string& line) const { return f.Log().find(line) != std::string::npos; }
};

TEST_F(PcbaJob, AllItemsPassInOrderWithTheirConsoleLines) {
    std::string console;
    EXPECT_EQ(Run(0x3ff, &console), 0u);
    EXPECT_EQ(commands, (std::vector<std::string>{
                            "hcpu_jump_run 0x10020000\r\n", "Factory enter_test\r\n", "Factory get_info\r\n",
                            "Factory bt\r\n", "Factory gsensor\r\n", "Factory ble_mac\r\n", "Factory hr\r\n",
                            "Factory flash\r\n", "Factory charger\r\n", "Factory cywee\r\n", "Factory wifi_info\r\n",
                            "third_func_check 0\r\n"}));
    EXPECT_EQ(console, std::string(kStartPercents) +
                           "percent:40 \npercent:55 \nbt_name:bn\nbt_version:b1\nsw_name:sn\nsw_version:s1\n"
                           "percent:60 \npercent:65 \npercent:70 \npercent:75 \npercent:80 \npercent:85 \n"
                           "percent:90 \nwifi_version:w2\npercent:95 \nthirdfunc:0\npercent:100 \n");
    EXPECT_TRUE(Logged("channel PcbaTest start \n"));
    EXPECT_TRUE(Logged("send: Factory TEST_BT\n"));
    EXPECT_TRUE(Logged("send: third_func_check\n"));
    EXPECT_TRUE(Logged("PcbaTest success \n"));
}

TEST_F(PcbaJob, FailedItemKeepsItsBitAndTheTestGoesOn) {
    replies["Factory charger\r\n"] = "Factory_charger_status:FAIL\r\n";
    EXPECT_EQ(Run(0x1ff), 0x80u);
    EXPECT_EQ(Count("Factory cywee\r\n"), 1u);
    EXPECT_TRUE(Logged("PcbaTest fail \n"));
}

TEST_F(PcbaJob, UnselectedSlotsStillPrintTheirLine) {
    std::string console;
    EXPECT_EQ(Run(0x80, &console), 0u);
    EXPECT_EQ(console, std::string(kStartPercents) +
                           "percent:40 \npercent:55 \npercent:60 \npercent:65 \npercent:70 \npercent:75 \n"
                           "percent:80 \npercent:85 \npercent:90 \npercent:95 \npercent:100 \n");
    EXPECT_EQ(commands.size(), 3u);
}

TEST_F(PcbaJob, BitsBeyondTheTenItemsNeverPass) {
    EXPECT_EQ(Run(0x400), 0x400u);
    EXPECT_EQ(Run(int32_t(0xfffffc00u | 0x200)), 0xfffffc00u);
    EXPECT_EQ(Run(0), 0u);
}

TEST_F(PcbaJob, ItemDataDecidesBesideTheStatus) {
    replies["Factory bt\r\n"] = "Factory_get_bt_data:\r\nsw_name:sn\r\nbt_name:bn\r\nFactory_bt_status:OK\r\n";
    replies["Factory wifi_info\r\n"] = "Factory_wifi_info_status:OK\r\n";
    std::string console;
    EXPECT_EQ(Run(0x202, &console), 0x202u);
    EXPECT_NE(console.find("bt_name:bn\npercent:60"), std::string::npos);
    EXPECT_EQ(console.find("wifi_version:"), std::string::npos);
    EXPECT_TRUE(Logged("X UartReadExpectRet bt_version: error\n"));
    EXPECT_TRUE(Logged("X UartReadExpectRet  Factory_get_wifi_data:\n"));
}

TEST_F(PcbaJob, GetInfoRetriesItsStatusButNotItsCheck) {
    int asked = 0;
    std::string ok = replies["Factory get_info\r\n"];
    f.onWrite = [&](ScriptedLink& l, const std::string& c) {
        commands.push_back(c);
        if (c == "Factory get_info\r\n") l.Reply(++asked == 1 ? "Factory_get_info_status:FAIL\r\n" : ok, 50);
        else if (replies.count(c)) l.Reply(replies[c], 50);
    };
    EXPECT_EQ(Run(0x1), 0u);
    EXPECT_EQ(asked, 2);

    commands.clear();
    f.session.settings.bleName = "norva_ble2";
    EXPECT_EQ(Run(0x1), 0x1u);
    EXPECT_EQ(Count("Factory get_info\r\n"), 1u);
    EXPECT_TRUE(Logged("X bleName error (norva_ble2 vs norva_ble   )\n"));
}

TEST_F(PcbaJob, JumpCommandAndBootPauseFollowTheDeviceType) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "hcpu_jump_run 0x10020000\r\n"},
        {"QM2C", "hcpu_jump_run 0x1c008000\r\n"},
        {"QM2A_NAND", "hcpu_jump_run 0x62080000\r\n"},
        {"QM2A", "hcpu_jump_run 0x120A0000\r\n"},
    };
    for (auto [device, jump] : cases) {
        commands.clear();
        f.session.settings.deviceType = device;
        uint64_t start = f.clock.NowMs();
        EXPECT_EQ(Run(0x4), 0u) << device;
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands[0], jump);
        EXPECT_EQ(commands[0].size(), 26u);
        // Five boot pauses, the start-up text (2 s), the answers of enter_test and the item, the last 1 s.
        uint64_t pause = std::string(device).find("NAND") != std::string::npos ? 4000 : 2000;
        EXPECT_EQ(f.clock.NowMs() - start, 5 * pause + 2000 + 50 + 50 + 1000) << device;
    }
}

TEST_F(PcbaJob, UnsupportedDeviceEndsBeforeTheJump) {
    f.session.settings.deviceType = "QM2D";
    f.session.settings.postAct = 1;
    std::string console;
    EXPECT_EQ(Run(0x1ff, &console), 0x1ffu);
    // The whole mask right after the last console line, before the reset.
    EXPECT_EQ(console, "percent:1 \nexitcode:0x1ff\n");
    EXPECT_EQ(commands, std::vector<std::string>{"burn_reset\r"});
    EXPECT_TRUE(Logged("X curversion only support QM2B/QM2A/QM2C test\n"));
    EXPECT_TRUE(Logged("resetUe success \n"));
    EXPECT_FALSE(f.link().IsOpen());
}

TEST_F(PcbaJob, FirmwareThatNeverEntersTestModeRunsNoItem) {
    replies.erase("Factory enter_test\r\n");
    std::string console;
    EXPECT_EQ(Run(0x3ff, &console), 0x3ffu);
    EXPECT_EQ(Count("Factory enter_test\r\n"), 5u);
    EXPECT_EQ(commands.size(), 6u);
    EXPECT_EQ(console, std::string(kStartPercents) + "exitcode:0x3ff\n");

    commands.clear();
    replies["Factory enter_test\r\n"] = "Factory_enter_test_status:FAIL\r\n";
    EXPECT_EQ(Run(0), 0u);
    EXPECT_EQ(Count("Factory enter_test\r\n"), 5u);
}

TEST_F(PcbaJob, PortThatDoesNotOpenFailsEverySelectedItem) {
    f.failOpen = true;
    f.session.settings.postAct = 1;
    std::string console;
    EXPECT_EQ(Run(0x81, &console), 0x81u);
    EXPECT_EQ(console, "exitcode:0x81\n");
    EXPECT_TRUE(Logged("uart ttyTEST open fail \n"));
    EXPECT_FALSE(Logged("resetUe"));
}

// The payment-mark path (negative --third) and the third-function path.
struct PcbaPaymentSlot : PcbaJob {
    void SetUp() override {
        PcbaJob::SetUp();
        f.session.settings.thirdFunc = int32_t(0x80000000u);
        replies["wechat_mark_rw 2\r\n"] = "wechat_mark_rw_FAIL\r\n";
        replies["Factory wechatpay\r\n"] = "get_wechatpay_info:model_id:2734510 \r\nwechatpay_enable:1\r\n";
        replies["wechat_mark_rw 1\r\n"] = "wechat_mark_rw_SUCCESS\r\n";
    }
    std::string RunSlot(uint32_t expectFailed) {
        std::string console;
        EXPECT_EQ(Run(0x10, &console), expectFailed);
        const std::string exitLine = expectFailed ? "exitcode:0x10\n" : "";
        EXPECT_TRUE(console.size() >= exitLine.size() && console.compare(console.size() - exitLine.size(), exitLine.size(), exitLine) == 0) << console;
        console.resize(console.size() - exitLine.size());
        size_t at = console.find("percent:95 \n");
        return at == std::string::npos ? console : console.substr(at + 12);
    }
};

TEST_F(PcbaPaymentSlot, OldMarkPassesAtOnce) {
    replies["wechat_mark_rw 2\r\n"] = "wechat_mark_rw_SUCCESS\r\n";
    EXPECT_EQ(RunSlot(0), "wechat_old\npercent:100 \n");
    EXPECT_EQ(commands.back(), "wechat_mark_rw 2\r\n");
}

TEST_F(PcbaPaymentSlot, MatchingModelIdGetsTheNewMark) {
    f.session.settings.wechatModel = "2734510";
    EXPECT_EQ(RunSlot(0), "percent:100 \n");
    EXPECT_EQ(std::vector<std::string>(commands.end() - 3, commands.end()),
              (std::vector<std::string>{"wechat_mark_rw 2\r\n", "Factory wechatpay\r\n", "wechat_mark_rw 1\r\n"}));
    EXPECT_TRUE(Logged("send: wechat_mark_rw 2\n"));
    EXPECT_TRUE(Logged("send: Factory wechatpay\n"));
    EXPECT_TRUE(Logged("send: wechat_mark_rw 1\n"));

    replies["wechat_mark_rw 1\r\n"] = "wechat_mark_rw_FAIL\r\n";
    EXPECT_EQ(RunSlot(0x10), "percent:100 \n");
}

TEST_F(PcbaPaymentSlot, ModelIdProblemsFailWithoutMarking) {
    f.session.settings.wechatModel = "2734510";
    replies["Factory wechatpay\r\n"] = "get_wechatpay_info:model_id:2734510\r\nwechatpay_enable:1\r\n";
    EXPECT_EQ(RunSlot(0x10), "wechat_model_err: 2734510 vs 2734510\r\nwechatpay_e\npercent:100 \n");
    EXPECT_EQ(Count("wechat_mark_rw 1\r\n"), 0u);

    replies["Factory wechatpay\r\n"] = "wechatpay_enable:1\r\n";
    EXPECT_EQ(RunSlot(0x10), "wechat_model_err: 2734510 not found\npercent:100 \n");
    EXPECT_TRUE(Logged("wechat_model_err: 2734510 not found\n"));
    EXPECT_EQ(Count("wechat_mark_rw 1\r\n"), 0u);
}

TEST_F(PcbaPaymentSlot, WithoutModelIdOrWithPaymentOff) {
    EXPECT_EQ(RunSlot(0), "percent:100 \n");
    EXPECT_EQ(Count("wechat_mark_rw 1\r\n"), 1u);

    replies["Factory wechatpay\r\n"] = "wechatpay_enable:0\r\n";
    EXPECT_EQ(RunSlot(0x10), "percent:100 \n");
    EXPECT_EQ(Count("wechat_mark_rw 1\r\n"), 1u);
}

TEST_F(PcbaPaymentSlot, ThirdFunctionReportsItsValue) {
    f.session.settings.thirdFunc = 5;
    replies["third_func_check 5\r\n"] = "third_func_check_PASS\r\n";
    EXPECT_EQ(RunSlot(0), "thirdfunc:5\npercent:100 \n");
    EXPECT_TRUE(Logged("thirdfunc:5\n"));

    replies["third_func_check 5\r\n"] = "third_func_check_FAIL:7\r\n";
    EXPECT_EQ(RunSlot(0x10), "thirdfunc:7\npercent:100 \n");

    replies.erase("third_func_check 5\r\n");
    EXPECT_EQ(RunSlot(0x10), "thirdfunc:0\npercent:100 \n");
}

TEST_F(PcbaPaymentSlot, ThirdFunctionAlsoChecksTheModelId) {
    f.session.settings.thirdFunc = 1;
    f.session.settings.wechatModel = "42";
    replies["third_func_check 1\r\n"] = "third_func_check_PASS\r\n";
    EXPECT_EQ(RunSlot(0x10), "wechat_model_err: 42 not found\nthirdfunc:1\npercent:100 \n");

    replies["third_func_check 1\r\n"] = "get_wechatpay_info:model_id:43 \r\nthird_func_check_PASS\r\n";
    EXPECT_EQ(RunSlot(0x10), "wechat_model_err: 42 vs 43\nthirdfunc:1\npercent:100 \n");

    replies["third_func_check 1\r\n"] = "get_wechatpay_info:model_id:42 \r\nthird_func_check_PASS\r\n";
    EXPECT_EQ(RunSlot(0), "thirdfunc:1\npercent:100 \n");
}

TEST_F(PcbaJob, ResetAfterTheTestWhenAsked) {
    f.session.settings.postAct = 1;
    EXPECT_EQ(Run(0x4), 0u);
    EXPECT_EQ(commands.back(), "burn_reset\r");
    EXPECT_TRUE(Logged("resetUe success \n"));
}

}  // namespace
