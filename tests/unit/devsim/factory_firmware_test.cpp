#include <gtest/gtest.h>

#include "devsim/model/firmware_options.h"
#include "tests/unit/devsim/device_harness.h"

namespace {

using devsim::Device;
using devsim::PersonalityKind;
using devsim_test::FirmwareExtensions;
using devsim_test::Harness;

// A QM2B device whose loader has just jumped to the application.
struct FactoryFirmware : ::testing::Test {
    // Shared with the firmware, which reads it as it runs.
    std::shared_ptr<devsim::FactoryFirmwareOptions> shared = std::make_shared<devsim::FactoryFirmwareOptions>();
    devsim::FactoryFirmwareOptions& options = *shared;
    std::unique_ptr<Harness> h;

    void Boot(const std::string& type = "QM2B", const std::string& jump = "hcpu_jump_run 0x10020000\r\n") {
        h = std::make_unique<Harness>(type, Device::StartMode::RamLoader, devsim::FaultOptions{},
                                      FirmwareExtensions(shared));
        h->Send(jump);
    }
    void BootInTestMode() {
        Boot();
        h->Advance(options.bootMs);
        ASSERT_EQ(h->Send("Factory enter_test\r\n"), "Factory_enter_test_status:OK\r\n");
    }
};

TEST_F(FactoryFirmware, JumpStartsTheApplicationWithItsStartUpText) {
    options.startupText = "app v1\r\n";
    Boot();
    EXPECT_EQ(h->device.CurrentPersonality(), PersonalityKind::Firmware);
    EXPECT_EQ(h->Advance(options.bootMs - 20), "");
    EXPECT_EQ(h->Advance(40), "app v1\r\n");
    EXPECT_EQ(h->Advance(1000), "");
}

TEST_F(FactoryFirmware, ForeignJumpAddressRunsNothingThatAnswers) {
    Boot("QM2C", "hcpu_jump_run 0x10020000\r\n");
    EXPECT_EQ(h->device.CurrentPersonality(), PersonalityKind::Firmware);
    EXPECT_EQ(h->Advance(1000), "");
    EXPECT_EQ(h->Send("Factory enter_test\r\n"), "");

    Boot("QM2A_NAND", "hcpu_jump_run 0x62080000\r\n");
    EXPECT_EQ(h->Send("Factory enter_test\r\n"), "Factory_enter_test_status:OK\r\n");
}

TEST_F(FactoryFirmware, ItemsAnswerOnlyInTestMode) {
    Boot();
    EXPECT_EQ(h->Send("Factory gsensor\r\n"), "");
    EXPECT_EQ(h->Send("Factory enter_test\r\n"), "Factory_enter_test_status:OK\r\n");
    EXPECT_EQ(h->Send("Factory gsensor\r\n"), "Factory_gsensor_status:OK\r\n");
    // CR alone and LF alone end a command as well; blank lines are ignored.
    EXPECT_EQ(h->Send("\nFactory hr\rFactory cywee\n"), "Factory_hr_status:OK\r\nFactory_cywee_status:OK\r\n");
}

TEST_F(FactoryFirmware, NeverEnteringTestMode) {
    options.neverEnterTest = true;
    Boot();
    EXPECT_EQ(h->Send("Factory enter_test\r\n"), "Factory_enter_test_status:FAIL\r\n");
    EXPECT_EQ(h->Send("Factory get_info\r\n"), "");
}

TEST_F(FactoryFirmware, DataItemsListTheirValuesBeforeTheStatus) {
    options.fwVersion = "v2.0";
    options.bleName = "norva_ble   ";
    options.swVersion = "s1";
    options.swName = "sn";
    options.btVersion = "b1";
    options.btName = "bn";
    options.wifiVersion = "w9";
    BootInTestMode();
    EXPECT_EQ(h->Send("Factory get_info\r\n"),
              "Factory_get_info_data:\r\nfw_version:v2.0\r\nble_name:norva_ble   \r\nFactory_get_info_status:OK\r\n");
    EXPECT_EQ(h->Send("Factory bt\r\n"),
              "Factory_get_bt_data:\r\nsw_version:s1\r\nsw_name:sn\r\nbt_version:b1\r\nbt_name:bn\r\n"
              "Factory_bt_status:OK\r\n");
    EXPECT_EQ(h->Send("Factory wifi_info\r\n"),
              "Factory_get_wifi_data:\r\nwifi_version:w9\r\nFactory_wifi_info_status:OK\r\n");
}

TEST_F(FactoryFirmware, ChosenItemsFailAndUnknownItemsToo) {
    options.failingItems = {"charger", "bt"};
    BootInTestMode();
    EXPECT_EQ(h->Send("Factory charger\r\n"), "Factory_charger_status:FAIL\r\n");
    EXPECT_EQ(h->Send("Factory bt\r\n"), "Factory_bt_status:FAIL\r\n");
    EXPECT_EQ(h->Send("Factory flash\r\n"), "Factory_flash_status:OK\r\n");
    EXPECT_EQ(h->Send("Factory radio\r\n"), "Factory_radio_status:FAIL\r\n");
}

TEST_F(FactoryFirmware, PaymentMarkAndModelId) {
    BootInTestMode();
    EXPECT_EQ(h->Send("wechat_mark_rw 2\r\n"), "wechat_mark_rw_FAIL\r\n");
    EXPECT_EQ(h->Send("wechat_mark_rw 1\r\n"), "wechat_mark_rw_SUCCESS\r\n");
    EXPECT_EQ(h->Send("wechat_mark_rw 3\r\n"), "wechat_mark_rw_FAIL\r\n");
    EXPECT_EQ(h->Send("Factory wechatpay\r\n"), "wechatpay_enable:1\r\n");
    options.wechatModelId = "2734510 ";
    EXPECT_EQ(h->Send("Factory wechatpay\r\n"), "get_wechatpay_info:model_id:2734510 \r\nwechatpay_enable:1\r\n");
    options.wechatPayEnabled = false;
    options.oldMark = true;
    options.markWrite = false;
    EXPECT_EQ(h->Send("Factory wechatpay\r\n"), "wechatpay_enable:0\r\n");
    EXPECT_EQ(h->Send("wechat_mark_rw 2\r\n"), "wechat_mark_rw_SUCCESS\r\n");
    EXPECT_EQ(h->Send("wechat_mark_rw 1\r\n"), "wechat_mark_rw_FAIL\r\n");
}

TEST_F(FactoryFirmware, ThirdFunctionCheck) {
    BootInTestMode();
    EXPECT_EQ(h->Send("third_func_check 3\r\n"), "third_func_check_PASS\r\n");
    options.thirdFuncFailValue = 7;
    options.wechatModelId = "42";
    EXPECT_EQ(h->Send("third_func_check 3\r\n"), "get_wechatpay_info:model_id:42\r\nthird_func_check_FAIL:7\r\n");
}

TEST_F(FactoryFirmware, ItemsAndChecksAnswerAfterTheirTime) {
    options.itemMs = 50;
    BootInTestMode();
    for (const char* command : {"Factory gsensor\r\n", "third_func_check 0\r\n", "wechat_mark_rw 1\r\n"}) {
        EXPECT_EQ(h->Send(command), "") << command;
        EXPECT_EQ(h->Advance(40), "") << command;
        EXPECT_NE(h->Advance(20), "") << command;
    }
}

TEST_F(FactoryFirmware, OverlongLineIsDroppedWhole) {
    BootInTestMode();
    EXPECT_EQ(h->Send(std::string(600, 'x') + "Factory hr\r\n"), "");
    EXPECT_EQ(h->Send("Factory hr\r\n"), "Factory_hr_status:OK\r\n");
}

TEST_F(FactoryFirmware, RepliesCanLeaveInPiecesInOrder) {
    options.replyPieceBytes = 10;
    Boot();
    EXPECT_EQ(h->Advance(options.bootMs + 1000), "\r\nfactory app start\r\n");
    // The first piece leaves at once, the next ones 150 ms apart.
    std::string got = h->Send("Factory enter_test\r\nFactory hr\r\n");
    EXPECT_EQ(got, "Factory_en");
    EXPECT_EQ(h->Advance(140), "");
    std::string second = h->Advance(20);
    EXPECT_EQ(second, "ter_test_s");
    got += second + h->Advance(3000);
    EXPECT_EQ(got, "Factory_enter_test_status:OK\r\nFactory_hr_status:OK\r\n");
}

TEST(FirmwareOptionsParsing, ValuesAndErrors) {
    devsim::FactoryFirmwareOptions o;
    bool known = false;
    std::string error;
    EXPECT_TRUE(devsim::ApplyFirmwareOption(o, "--fw-fail", "charger,bt", known, error));
    EXPECT_EQ(o.failingItems, (std::set<std::string>{"bt", "charger"}));
    EXPECT_TRUE(devsim::ApplyFirmwareOption(o, "--fw-third", "-7", known, error));
    EXPECT_EQ(o.thirdFuncFailValue, -7);
    EXPECT_TRUE(devsim::ApplyFirmwareOption(o, "--fw-ble-name", "norva_ble   ", known, error));
    EXPECT_EQ(o.bleName, "norva_ble   ");
    EXPECT_TRUE(devsim::ApplyFirmwareOption(o, "--gnss-start", "silent", known, error));
    EXPECT_EQ(o.gnss.start, devsim::GnssStepOutcome::Silent);
    EXPECT_TRUE(devsim::ApplyFirmwareOption(o, "--fw-enter-test", "fail", known, error));
    EXPECT_TRUE(o.neverEnterTest);

    EXPECT_FALSE(devsim::ApplyFirmwareOption(o, "--fw-fail", "charger,radio", known, error));
    EXPECT_TRUE(known);
    EXPECT_EQ(error, "unknown factory item 'radio'");
    EXPECT_EQ(o.failingItems.size(), 2u);
    EXPECT_FALSE(devsim::ApplyFirmwareOption(o, "--fw-third", "7x", known, error));
    EXPECT_EQ(error, "bad value '7x' for --fw-third");
    EXPECT_FALSE(devsim::ApplyFirmwareOption(o, "--gnss-stall", "6", known, error));
    EXPECT_FALSE(devsim::ApplyFirmwareOption(o, "--baud", "1", known, error));
    EXPECT_FALSE(known);
}

}  // namespace
