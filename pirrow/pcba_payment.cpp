#include "pirrow/pcba_payment.h"

#include <string>

#include "common/print_log.h"
#include "pirrow/pcba_items.h"

namespace pirrow {

using common::PrintLog;

namespace {

constexpr int kReplySeconds = 3;
constexpr int kNoProgress = -1;

bool SendAndWait(Session& s, const std::string& command, const char* pass, const char* fail) {
    s.link.Send(command);
    return s.link.ReadExpectRet(pass, fail, kReplySeconds, kNoProgress, kNoProgress);
}

bool WechatMark(Session& s, int mode) {
    PrintLog(false, "send: wechat_mark_rw %d\n", mode);
    return SendAndWait(s, "wechat_mark_rw " + std::to_string(mode) + "\r\n", "wechat_mark_rw_SUCCESS",
                       "wechat_mark_rw_FAIL");
}

bool PaymentMarkPath(Session& s) {
    const std::string& model = s.settings.wechatModel;
    // A board that already carries the old mark needs nothing more.
    if (WechatMark(s, 2)) {
        common::PrintConsole("wechat_old\n");
        return true;
    }
    PrintLog(false, "send: Factory wechatpay\n");
    if (!SendAndWait(s, "Factory wechatpay\r\n", "wechatpay_enable:1", "wechatpay_enable:0")) return false;
    if (!model.empty() && !common::ModelIdMatches(s.link.Reply(), model)) return false;
    return WechatMark(s, 1);
}

bool ThirdFunctionPath(Session& s) {
    const RunSettings& cfg = s.settings;
    PrintLog(false, "send: third_func_check\n");
    bool passed = SendAndWait(s, "third_func_check " + std::to_string(cfg.thirdFunc) + "\r\n",
                              "third_func_check_PASS", "third_func_check_FAIL");
    int32_t reported = passed ? cfg.thirdFunc : ThirdFuncFailValue(s.link.Reply());
    if (!cfg.wechatModel.empty() && !common::ModelIdMatches(s.link.Reply(), cfg.wechatModel)) passed = false;
    PrintLog(true, "thirdfunc:%d\n", reported);
    return passed;
}

}  // namespace

bool RunPaymentSlot(Session& s) {
    s.link.Purge();
    return s.settings.thirdFunc < 0 ? PaymentMarkPath(s) : ThirdFunctionPath(s);
}

}  // namespace pirrow
