#include "common/factory_reply.h"

#include "common/print_log.h"

namespace common {

namespace {

constexpr std::string_view kInfoDataKey = "Factory_get_info_data:";
constexpr std::string_view kBleNameKey = "ble_name:";
constexpr std::string_view kFwVersionKey = "fw_version:";
constexpr std::string_view kBtDataKey = "Factory_get_bt_data:";
constexpr std::string_view kWifiDataKey = "Factory_get_wifi_data:";
constexpr std::string_view kWifiVersionKey = "wifi_version:";
constexpr std::string_view kModelIdKey = "get_wechatpay_info:model_id:";
constexpr std::string_view kThirdFailKey = "third_func_check_FAIL:";
constexpr size_t kModelIdMaxChars = 20;

ReplyCheck Fail(std::string line) { return {false, std::move(line)}; }

// "X <reader> <what>": the log line of a reply that lacks something.
std::string Line(const char* reader, const std::string& what) { return std::string("X ") + reader + " " + what; }

std::string MismatchLine(const char* what, const std::string& expected, std::string_view value) {
    return std::string("X ") + what + " error (" + expected + " vs " + std::string(value) + ")\n";
}

// Leading decimal number with an optional sign, 32-bit wrap-around.
int32_t LeadingDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10u + uint32_t(text[i] - '0');
    return int32_t(negative ? 0u - value : value);
}

}  // namespace

std::string_view CutAtLineEnd(std::string_view text) { return text.substr(0, text.find_first_of("\r\n")); }

bool EqualsWithTrailingSpaces(std::string_view value, std::string_view expected) {
    if (value.substr(0, expected.size()) != expected) return false;
    return value.find_first_not_of(' ', expected.size()) == std::string_view::npos;
}

ReplyCheck CheckInfoData(std::string_view reply, const std::string& bleName, const std::string& fwVersion,
                         const char* reader) {
    size_t data = reply.find(kInfoDataKey);
    if (data == std::string_view::npos) return Fail(Line(reader, " Factory_get_info_data:\n"));
    std::string_view text = reply.substr(data);

    size_t bleAt = text.find(kBleNameKey);
    if (bleAt == std::string_view::npos) return Fail(Line(reader, "ble_name: error\n"));
    std::string_view ble = CutAtLineEnd(text.substr(bleAt + kBleNameKey.size()));
    if (!EqualsWithTrailingSpaces(ble, bleName)) return Fail(MismatchLine("bleName", bleName, ble));

    // fw_version is listed before ble_name: look only in front of it.
    std::string_view head = text.substr(0, bleAt);
    size_t fwAt = head.find(kFwVersionKey);
    if (fwAt == std::string_view::npos) return Fail(Line(reader, "fw_version: error\n"));
    std::string_view fw = CutAtLineEnd(head.substr(fwAt + kFwVersionKey.size()));
    if (!EqualsWithTrailingSpaces(fw, fwVersion)) return Fail(MismatchLine("fwVer", fwVersion, fw));
    return {true, {}};
}

BtDataResult ParseBtData(std::string_view reply, const char* reader) {
    BtDataResult result;
    size_t data = reply.find(kBtDataKey);
    if (data == std::string_view::npos) {
        // This line has always named the info data key; log readers expect it.
        result.check = Fail(Line(reader, " Factory_get_info_data:\n"));
        return result;
    }
    std::string_view text = reply.substr(data);
    // Listed as sw_version, sw_name, bt_version, bt_name: each later key is
    // looked for only in front of the one found before it.
    for (std::string_view key : {"bt_name:", "bt_version:", "sw_name:", "sw_version:"}) {
        size_t at = text.find(key);
        if (at == std::string_view::npos) {
            result.check = Fail(Line(reader, std::string(key) + " error\n"));
            return result;
        }
        std::string_view value = CutAtLineEnd(text.substr(at + key.size()));
        result.consoleLines.push_back(std::string(key) + std::string(value));
        text = text.substr(0, at);
    }
    result.check.ok = true;
    return result;
}

WifiResult ParseWifiVersion(std::string_view reply, const char* reader) {
    WifiResult result;
    size_t data = reply.find(kWifiDataKey);
    if (data == std::string_view::npos) {
        result.check = Fail(Line(reader, " Factory_get_wifi_data:\n"));
        return result;
    }
    size_t at = reply.find(kWifiVersionKey, data);
    if (at == std::string_view::npos) {
        result.check = Fail(Line(reader, "wifi_version: error\n"));
        return result;
    }
    result.version = std::string(CutAtLineEnd(reply.substr(at + kWifiVersionKey.size())));
    result.check.ok = true;
    return result;
}

std::optional<std::string> FindModelId(std::string_view reply) {
    size_t at = reply.find(kModelIdKey);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view rest = reply.substr(at + kModelIdKey.size());
    rest = rest.substr(0, rest.find(' '));
    return std::string(rest.substr(0, kModelIdMaxChars));
}

int32_t ThirdFuncFailValue(std::string_view reply) {
    size_t at = reply.find(kThirdFailKey);
    if (at == std::string_view::npos) return 0;
    std::string_view rest = reply.substr(at + kThirdFailKey.size());
    size_t end = rest.find('\r');
    if (end == std::string_view::npos) end = rest.find('\n');
    return LeadingDecimal(rest.substr(0, end));
}


// The reply must carry the model id the line expects (--wechat); the
// mismatch lines also go to the console for the station.
bool ModelIdMatches(const std::string& reply, const std::string& expected) {
    std::optional<std::string> id = FindModelId(reply);
    if (!id) {
        PrintLog(true, "wechat_model_err: %s not found\n", expected.c_str());
        return false;
    }
    if (*id != expected) {
        PrintLog(true, "wechat_model_err: %s vs %s\n", expected.c_str(), id->c_str());
        return false;
    }
    return true;
}

}  // namespace common
