#pragma once
// The factory firmware's reply texts as both tools read them: the info,
// Bluetooth and Wi-Fi data of the PCBA items and the payment replies. The
// log lines name the routine that read the reply (`reader`).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

constexpr const char* kUartReader = "UartReadExpectRet";
constexpr const char* kRttReader = "jlink_RTTERMINAL_Read";

// Outcome of examining a reply: ok, or the log line that says what is wrong.
struct ReplyCheck {
    bool ok = false;
    std::string error;
};

// The text from `text` up to its first carriage return or line feed.
std::string_view CutAtLineEnd(std::string_view text);

// True when `value` is `expected` followed by nothing but spaces.
bool EqualsWithTrailingSpaces(std::string_view value, std::string_view expected);

// get_info: the firmware lists fw_version before ble_name after
// "Factory_get_info_data:"; both must equal the expected values.
ReplyCheck CheckInfoData(std::string_view reply, const std::string& bleName, const std::string& fwVersion,
                         const char* reader = kUartReader);

// bt: the four values after "Factory_get_bt_data:", looked up from the last
// listed (bt_name) backwards. `consoleLines` holds "key:value" for every key
// found before a missing one stopped the lookup.
struct BtDataResult {
    ReplyCheck check;
    std::vector<std::string> consoleLines;
};
BtDataResult ParseBtData(std::string_view reply, const char* reader = kUartReader);

// wifi_info: the value of "wifi_version:" after "Factory_get_wifi_data:".
struct WifiResult {
    ReplyCheck check;
    std::string version;
};
WifiResult ParseWifiVersion(std::string_view reply, const char* reader = kUartReader);

// The payment model id after "get_wechatpay_info:model_id:": up to the first
// space, at most 20 characters; line ends are part of it. Empty optional when
// the key is missing.
std::optional<std::string> FindModelId(std::string_view reply);

// The number after "third_func_check_FAIL:" (up to the line end), or 0.
int32_t ThirdFuncFailValue(std::string_view reply);

// The payment model id of the reply against the one the line expects
// (--wechat): a missing or different id is logged and printed as
// "wechat_model_err: ..." for the station.
bool ModelIdMatches(const std::string& reply, const std::string& expected);

}  // namespace common
