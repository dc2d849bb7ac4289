#include <gtest/gtest.h>

#include "pirrow/pcba_items.h"

namespace {

using pirrow::CheckInfoData;
using pirrow::FindModelId;
using pirrow::ParseBtData;
using pirrow::ParseWifiVersion;
using pirrow::ThirdFuncFailValue;

const std::string kInfo =
    "Factory_get_info_data:\r\nfw_version:v1.0.0.1\r\nble_name:norva_ble\r\nFactory_get_info_status:OK\r\n";

TEST(PcbaInfoCheck, ExpectedValuesPassWithOrWithoutTrailingSpaces) {
    EXPECT_TRUE(CheckInfoData(kInfo, "norva_ble", "v1.0.0.1").ok);
    std::string spaced =
        "Factory_get_info_data:\r\nfw_version:v1.0.0.1  \r\nble_name:norva_ble   \r\nFactory_get_info_status:OK";
    EXPECT_TRUE(CheckInfoData(spaced, "norva_ble", "v1.0.0.1").ok);
    // The value may also end the reply without a line end.
    EXPECT_TRUE(CheckInfoData("Factory_get_info_data:fw_version:v2 ble_name:b", "b", "v2 ").ok);
}

TEST(PcbaInfoCheck, WrongValuesNameBothSides) {
    auto r = CheckInfoData(kInfo, "norva_ble2", "v1.0.0.1");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "X bleName error (norva_ble2 vs norva_ble)\n");
    std::string longer = "Factory_get_info_data:\nfw_version:v1\nble_name:norva_ble2\n";
    EXPECT_EQ(CheckInfoData(longer, "norva_ble", "v1").error, "X bleName error (norva_ble vs norva_ble2)\n");
    // Anything but spaces after the expected name is a different name.
    EXPECT_FALSE(CheckInfoData("Factory_get_info_data:fw_version:v1\nble_name:norva_ble\t\n", "norva_ble", "v1").ok);
    EXPECT_EQ(CheckInfoData(kInfo, "norva_ble", "v1.0.0.2").error, "X fwVer error (v1.0.0.2 vs v1.0.0.1)\n");
}

TEST(PcbaInfoCheck, MissingKeysAndKeysInAnotherOrder) {
    EXPECT_EQ(CheckInfoData("fw_version:v1\r\nble_name:b\r\n", "b", "v1").error,
              "X UartReadExpectRet  Factory_get_info_data:\n");
    EXPECT_EQ(CheckInfoData("Factory_get_info_data:\r\nfw_version:v1\r\n", "b", "v1").error,
              "X UartReadExpectRet ble_name: error\n");
    // ble_name before fw_version: fw_version is only looked for in front of ble_name.
    EXPECT_EQ(CheckInfoData("Factory_get_info_data:\r\nble_name:b\r\nfw_version:v1\r\n", "b", "v1").error,
              "X UartReadExpectRet fw_version: error\n");
    // Keys before the data key do not count.
    EXPECT_EQ(CheckInfoData("ble_name:b\r\nFactory_get_info_data:\r\nfw_version:v1\r\n", "b", "v1").error,
              "X UartReadExpectRet ble_name: error\n");
}

TEST(PcbaInfoCheck, EmptyValues) {
    std::string empty = "Factory_get_info_data:\r\nfw_version:\r\nble_name:\r\n";
    EXPECT_TRUE(CheckInfoData(empty, "", "").ok);
    EXPECT_EQ(CheckInfoData(empty, "norva_ble", "").error, "X bleName error (norva_ble vs )\n");
}

TEST(PcbaBtData, FourValuesReadBackwardsFromTheLastListed) {
    std::string reply =
        "Factory_get_bt_data:\r\nsw_version:1.2\r\nsw_name:watch\r\nbt_version:3.4\r\nbt_name:norva_bt\r\n"
        "Factory_bt_status:OK\r\n";
    auto r = ParseBtData(reply);
    EXPECT_TRUE(r.check.ok);
    EXPECT_EQ(r.consoleLines,
              (std::vector<std::string>{"bt_name:norva_bt", "bt_version:3.4", "sw_name:watch", "sw_version:1.2"}));
}

TEST(PcbaBtData, MissingKeyStopsAfterTheValuesFound) {
    auto r = ParseBtData("Factory_get_bt_data:sw_name:w\nbt_version:3\nbt_name:n");
    EXPECT_FALSE(r.check.ok);
    EXPECT_EQ(r.check.error, "X UartReadExpectRet sw_version: error\n");
    EXPECT_EQ(r.consoleLines, (std::vector<std::string>{"bt_name:n", "bt_version:3", "sw_name:w"}));
    // Listed in another order: nothing stands in front of bt_name, so bt_version is missing.
    auto swapped = ParseBtData("Factory_get_bt_data:bt_name:n\nbt_version:3\nsw_name:w\nsw_version:1\n");
    EXPECT_EQ(swapped.check.error, "X UartReadExpectRet bt_version: error\n");
    EXPECT_EQ(ParseBtData("bt_name:n").check.error, "X UartReadExpectRet  Factory_get_info_data:\n");
}

TEST(PcbaWifi, VersionUpToTheLineEnd) {
    auto r = ParseWifiVersion("Factory_get_wifi_data:\r\nwifi_version:w1.0 \r\nFactory_wifi_info_status:OK");
    EXPECT_TRUE(r.check.ok);
    EXPECT_EQ(r.version, "w1.0 ");
    EXPECT_EQ(ParseWifiVersion("wifi_version:1\n").check.error, "X UartReadExpectRet  Factory_get_wifi_data:\n");
    EXPECT_EQ(ParseWifiVersion("wifi_version:1\nFactory_get_wifi_data:\n").check.error,
              "X UartReadExpectRet wifi_version: error\n");
    auto empty = ParseWifiVersion("Factory_get_wifi_data:wifi_version:");
    EXPECT_TRUE(empty.check.ok);
    EXPECT_EQ(empty.version, "");
}

TEST(PcbaModelId, EndsAtASpaceOnlyAndKeepsTwentyCharacters) {
    EXPECT_EQ(FindModelId("get_wechatpay_info:model_id:2734510 \r\n"), "2734510");
    // A line break right after the id is copied into it.
    EXPECT_EQ(FindModelId("get_wechatpay_info:model_id:2734510\r\nwechatpay_enable:1"), "2734510\r\nwechatpay_e");
    EXPECT_EQ(FindModelId("get_wechatpay_info:model_id:2734510"), "2734510");
    EXPECT_EQ(FindModelId("get_wechatpay_info:model_id: 2734510"), "");
    EXPECT_EQ(FindModelId("model_id:2734510 "), std::nullopt);
}

TEST(PcbaThirdFunction, FailValueIsTheNumberOnItsLine) {
    EXPECT_EQ(ThirdFuncFailValue("third_func_check_FAIL:7\r\n"), 7);
    EXPECT_EQ(ThirdFuncFailValue("third_func_check_FAIL:12\n34\r\n"), 12);
    EXPECT_EQ(ThirdFuncFailValue("third_func_check_FAIL:-3"), -3);
    EXPECT_EQ(ThirdFuncFailValue("third_func_check_FAIL\r\n"), 0);
    EXPECT_EQ(ThirdFuncFailValue("third_func_check_FAIL:\r\n"), 0);
    EXPECT_EQ(ThirdFuncFailValue("third_func_check_FAIL:99999999999"), int32_t(uint32_t(1215752191u)));
}

}  // namespace
