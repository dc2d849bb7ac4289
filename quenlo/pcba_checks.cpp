#include "quenlo/pcba_checks.h"

#include <string>

#include "common/factory_reply.h"
#include "common/print_log.h"

namespace quenlo {

using common::PrintLog;

namespace {

constexpr uint32_t kItemReadMs = 200;
constexpr uint32_t kPaymentWaitMs = 3000;

// Logs and writes a test command; a short write is logged and the item goes on.
void SendItem(Tool& t, const std::string& command) {
    RttDrain(t);
    PrintLog(false, "%s\n", command.substr(0, command.size() - 2).c_str());
    if (!RttWrite(t, command)) PrintLog(false, "X jlink_RTTERMINAL_Write error\n");
}

RttStop StatusStop(const char* ok, const char* fail) {
    return [ok, fail](const RttReceiver& r) { return r.Has(ok) || r.Has(fail) || r.Text().size() >= kRxReadMax; };
}

// A failure token counts once its line is complete, so the value after it is whole.
bool FailLineComplete(const std::string& text, const char* token) {
    const size_t at = text.find(token);
    return at != std::string::npos && text.find_first_of("\r\n", at) != std::string::npos;
}

bool ThirdFunctionCheck(Tool& t) {
    const JobSettings& cfg = t.cfg;
    const std::string command = "third_func_check " + std::to_string(cfg.third) + "\r\n";
    RttDrain(t);
    PrintLog(false, "%s", command.c_str());
    if (!RttWrite(t, command)) PrintLog(false, "X jlink_RTTERMINAL_Write error\n");
    RttReceiver rx(t, true);
    PollReads(t, rx, 16, kItemReadMs, [](const RttReceiver& r) {
        return r.Has("third_func_check_PASS") || FailLineComplete(r.Text(), "third_func_check_FAIL:") ||
               r.Text().size() >= kRxReadMax;
    });
    int32_t reported = 0;
    if (rx.Has("third_func_check_PASS")) reported = cfg.third;
    else if (rx.Has("third_func_check_FAIL:")) reported = common::ThirdFuncFailValue(rx.Text());
    PrintLog(true, "thirdfunc:%d\n", reported);
    const bool modelOk = cfg.wechatModel.empty() || common::ModelIdMatches(rx.Text(), cfg.wechatModel);
    if (!rx.Has("third_func_check_PASS")) {
        PrintLog(false, "X jlink_RTTERMINAL_Read  third_func_check_PASS error\n");
        return false;
    }
    return modelOk;
}

bool PaymentMark(Tool& t) {
    RttReceiver rx(t, true);
    if (RttCommand(t, rx, "wechat_mark_rw 2\r\n", "wechat_mark_rw_SUCCESS", "wechat_mark_rw_FAIL", kPaymentWaitMs)) {
        common::PrintConsole("wechat_old\n");
        common::PrintConsole("wechat_old\n");
        return true;
    }
    if (!RttCommand(t, rx, "Factory wechatpay\r\n", "wechatpay_enable:1", "wechatpay_enable:0", kPaymentWaitMs))
        return false;
    if (!t.cfg.wechatModel.empty() && !common::ModelIdMatches(rx.Text(), t.cfg.wechatModel)) return false;
    return RttCommand(t, rx, "wechat_mark_rw 1\r\n", "wechat_mark_rw_SUCCESS", "wechat_mark_rw_FAIL", kPaymentWaitMs);
}

}  // namespace

bool CheckDeviceInfo(Tool& t) {
    RttDrain(t);
    PrintLog(false, "Factory get_info\n");
    if (!RttWrite(t, "Factory get_info\r\n")) {
        PrintLog(false, "X jlink_RTTERMINAL_Write error\n");
        return false;
    }
    RttReceiver rx(t, true);
    PollReads(t, rx, 21, kItemReadMs, StatusStop("Factory_get_info_status:OK", "Factory_get_info_status:FAIL"));
    bool ok = rx.Has("Factory_get_info_status:OK");
    if (!ok) PrintLog(false, "X jlink_RTTERMINAL_Read  Factory_get_info_status:OK error\n");
    common::ReplyCheck check = common::CheckInfoData(rx.Text(), t.cfg.bleName, t.cfg.fwVersion, common::kRttReader);
    if (!check.ok) PrintLog(false, "%s", check.error.c_str());
    return ok && check.ok;
}

bool CheckBluetooth(Tool& t, uint32_t waitMs) {
    SendItem(t, "Factory bt\r\n");
    RttReceiver rx(t, true);
    PollReads(t, rx, int(waitMs / kItemReadMs) + 1, kItemReadMs,
              StatusStop("Factory_bt_status:OK", "Factory_bt_status:FAIL"));
    const bool ok = rx.Has("Factory_bt_status:OK");
    if (!ok) PrintLog(false, "X jlink_RTTERMINAL_Read  Factory_bt_status:OK error\n");
    // The versions are for the record only; they do not change the result.
    if (!rx.Has("Factory_get_bt_data:")) {
        PrintLog(false, "X jlink_RTTERMINAL_Read  Factory_get_bt_data:\n");
        return ok;
    }
    common::BtDataResult data = common::ParseBtData(rx.Text(), common::kRttReader);
    for (const std::string& line : data.consoleLines) common::PrintConsole("%s\n", line.c_str());
    if (!data.check.ok) PrintLog(false, "%s", data.check.error.c_str());
    return ok;
}

bool CheckWifi(Tool& t) {
    SendItem(t, "Factory wifi_info\r\n");
    RttReceiver rx(t, true);
    PollReads(t, rx, 26, kItemReadMs, StatusStop("Factory_wifi_info_status:OK", "Factory_wifi_info_status:FAIL"));
    const bool ok = rx.Has("Factory_wifi_info_status:OK");
    if (!ok) PrintLog(false, "X jlink_RTTERMINAL_Read  Factory_wifi_info_status:OK error\n");
    common::WifiResult wifi = common::ParseWifiVersion(rx.Text(), common::kRttReader);
    if (wifi.check.ok) common::PrintConsole("wifi_version:%s\n", wifi.version.c_str());
    else PrintLog(false, "%s", wifi.check.error.c_str());
    return ok;
}

bool CheckPayment(Tool& t) { return t.cfg.third >= 0 ? ThirdFunctionCheck(t) : PaymentMark(t); }

}  // namespace quenlo
