#include "devsim/model/firmware_options.h"

#include <charconv>
#include <cstdint>

namespace devsim {

namespace {

bool ReadInt(std::string_view text, int64_t low, int64_t high, int64_t& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

bool ReadStep(std::string_view text, GnssStepOutcome& outcome) {
    if (text == "ok") outcome = GnssStepOutcome::Ok;
    else if (text == "fail") outcome = GnssStepOutcome::Fail;
    else if (text == "silent") outcome = GnssStepOutcome::Silent;
    else return false;
    return true;
}

bool ReadChoice(std::string_view text, std::string_view yes, std::string_view no, bool& value) {
    if (text != yes && text != no) return false;
    value = text == yes;
    return true;
}

// "charger,bt": every name must be an item of the test.
bool ReadItems(std::string_view text, std::set<std::string>& items, std::string& error) {
    std::set<std::string> read;
    while (!text.empty()) {
        size_t comma = text.find(',');
        std::string item(text.substr(0, comma));
        if (!FactoryItemNames().count(item)) {
            error = "unknown factory item '" + item + "'";
            return false;
        }
        read.insert(item);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    items = std::move(read);
    return true;
}

}  // namespace

const std::set<std::string>& FactoryItemNames() {
    static const std::set<std::string> names = {"get_info", "bt",      "gsensor", "ble_mac",  "hr",
                                                "flash",    "charger", "cywee",   "wifi_info"};
    return names;
}

bool ApplyFirmwareOption(FactoryFirmwareOptions& o, std::string_view name, std::string_view value, bool& known,
                         std::string& error) {
    known = true;
    int64_t number = 0;
    bool ok = true;
    std::string text(value);
    if (name == "--fw-enter-test") {
        bool enters = true;
        ok = ReadChoice(value, "ok", "fail", enters);
        o.neverEnterTest = !enters;
    } else if (name == "--fw-fail") {
        return ReadItems(value, o.failingItems, error);
    } else if (name == "--fw-version") {
        o.fwVersion = text;
    } else if (name == "--fw-ble-name") {
        o.bleName = text;
    } else if (name == "--fw-sw-version") {
        o.swVersion = text;
    } else if (name == "--fw-sw-name") {
        o.swName = text;
    } else if (name == "--fw-bt-version") {
        o.btVersion = text;
    } else if (name == "--fw-bt-name") {
        o.btName = text;
    } else if (name == "--fw-wifi-version") {
        o.wifiVersion = text;
    } else if (name == "--fw-old-mark") {
        ok = ReadChoice(value, "yes", "no", o.oldMark);
    } else if (name == "--fw-mark-write") {
        ok = ReadChoice(value, "ok", "fail", o.markWrite);
    } else if (name == "--fw-wechatpay") {
        ok = ReadChoice(value, "1", "0", o.wechatPayEnabled);
    } else if (name == "--fw-model-id") {
        o.wechatModelId = text;
    } else if (name == "--fw-third") {
        if (value == "pass") o.thirdFuncFailValue.reset();
        else if ((ok = ReadInt(value, INT32_MIN, INT32_MAX, number))) o.thirdFuncFailValue = int32_t(number);
    } else if (name == "--fw-startup") {
        o.startupText = text;
    } else if (name == "--fw-boot-ms") {
        if ((ok = ReadInt(value, 0, 60000, number))) o.bootMs = uint32_t(number);
    } else if (name == "--item-ms") {
        if ((ok = ReadInt(value, 0, 60000, number))) o.itemMs = uint32_t(number);
    } else if (name == "--fw-split") {
        if ((ok = ReadInt(value, 0, 1 << 20, number))) o.replyPieceBytes = size_t(number);
    } else if (name == "--gnss-request") {
        ok = ReadStep(value, o.gnss.request);
    } else if (name == "--gnss-start") {
        ok = ReadStep(value, o.gnss.start);
    } else if (name == "--gnss-finish") {
        ok = ReadStep(value, o.gnss.finish);
    } else if (name == "--gnss-stall") {
        if ((ok = ReadInt(value, 0, 5, number))) o.gnss.stallAfterStage = int(number);
    } else if (name == "--gnss-gap-ms") {
        if ((ok = ReadInt(value, 0, 60000, number))) o.gnss.progressGapMs = uint32_t(number);
    } else {
        known = false;
        error = "unknown option " + std::string(name);
        return false;
    }
    if (!ok) error = "bad value '" + text + "' for " + std::string(name);
    return ok;
}

const char* FirmwareOptionsUsage() {
    return "  --fw-enter-test ok|fail     answer Factory enter_test (fail: never enters test mode)\n"
           "  --fw-fail ITEM[,ITEM...]    items answering FAIL: get_info bt gsensor ble_mac hr flash\n"
           "                              charger cywee wifi_info\n"
           "  --fw-version TEXT           fw_version of get_info (sent as given, spaces included)\n"
           "  --fw-ble-name TEXT          ble_name of get_info\n"
           "  --fw-sw-version TEXT, --fw-sw-name TEXT, --fw-bt-version TEXT, --fw-bt-name TEXT\n"
           "                              values of Factory bt\n"
           "  --fw-wifi-version TEXT      wifi_version of Factory wifi_info\n"
           "  --fw-old-mark yes|no        wechat_mark_rw 2 answers SUCCESS (yes) or FAIL (no)\n"
           "  --fw-mark-write ok|fail     wechat_mark_rw 1 answers SUCCESS (ok) or FAIL\n"
           "  --fw-wechatpay 1|0          wechatpay_enable value\n"
           "  --fw-model-id TEXT          text after get_wechatpay_info:model_id: (end it with a space)\n"
           "  --fw-third pass|N           third_func_check_PASS, or third_func_check_FAIL:N\n"
           "  --fw-startup TEXT           start-up text after the jump\n"
           "  --fw-boot-ms N              time from the jump to the start-up text\n"
           "  --fw-split N                send every firmware reply in pieces of N bytes\n"
           "  --item-ms N                 time each test item, payment and third-function check\n"
           "                              takes before it answers (default 0)\n"
           "  --gnss-request ok|fail|silent, --gnss-start ok|fail|silent, --gnss-finish ok|fail|silent\n"
           "                              answers of the GNSS loader's steps\n"
           "  --gnss-stall STAGE          stop reporting load progress after STAGE (1-5)\n"
           "  --gnss-gap-ms N             time between two load progress lines\n";
}

}  // namespace devsim
