// Factory-record jobs that run on their own: one write given on the command
// line, reading the records back, and the payment-key presence check.
#include "common/print_log.h"
#include "pirrow/jobs.h"
#include "pirrow/loader.h"
#include "pirrow/reply_poll.h"

namespace pirrow {

using common::PrintLog;

namespace {

constexpr const char* kOtpReadCommand = "otp_factory_read\r\n";

// The keys a device needs for payments; all four must be on record.
constexpr const char* kPaymentKeys[] = {"FACTORY_CFG_ID_ALIPAY_DS:", "FACTORY_CFG_ID_ALIPAY_DN:",
                                        "FACTORY_CFG_ID_ALIPAY_PK:", "FACTORY_CFG_ID_MAC:"};

bool WriteGivenRecord(Session& s) {
    PrintPercent(1);
    if (s.settings.fishCommand.empty()) {
        PrintLog(false, "WrFactoryOtp no fish cmd \n");
        return false;
    }
    s.link.Send(s.settings.fishCommand);
    return s.link.ReadExpectRet("OTP_FACTORY_WRITE_PASS", "OTP_FACTORY_WRITE_FAIL", 10, 1, 1);
}

bool ReadRecordsToConsole(Session& s) {
    if (!s.settings.fishCommand.empty()) {
        s.link.Send(s.settings.fishCommand);
    } else {
        PrintLog(false, "w: otp_factory_read\n");
        s.link.Send(kOtpReadCommand);
    }
    if (!s.link.ReadExpectRet("OTP_FACTORY_READ_OVER", nullptr, 10, -1, -1)) return false;
    common::PrintConsole("%s", s.link.Reply().c_str());
    s.clock.SleepMs(1000);
    return true;
}

bool PaymentKeysPresent(Session& s) {
    s.link.Send(kOtpReadCommand);
    std::string reply;
    PollStep step = PollReply(s, reply, 300, 10, [](const std::string& text) {
        for (const char* key : kPaymentKeys)
            if (!Contains(text, key)) return PollStep::Continue;
        return PollStep::Pass;
    });
    PrintLog(false, "R: %s\n", reply.c_str());
    return step == PollStep::Pass;
}

}  // namespace

bool WrFactoryOtp(Session& s) {
    PrintLog(false, "channel WrFactoryOtp start \n");
    s.progress.total = 0;
    const bool ok = LoaderPhase(s, false) && WriteGivenRecord(s);
    s.link.Close();
    PrintLog(false, ok ? "WrFactoryOtp success \n" : "WrFactoryOtp fail \n");
    return ok;
}

bool RdFactoryOtp(Session& s) {
    PrintLog(false, "channel RdFactoryOtp start \n");
    s.progress.total = 0;
    const bool ok = LoaderPhase(s, false) && ReadRecordsToConsole(s);
    s.link.Close();
    PrintLog(false, ok ? "RdFactoryOtp success \n" : "RdFactoryOtp fail \n");
    return ok;
}

bool AlpayCheck(Session& s) {
    PrintLog(false, "channel AlpayCheck start \n");
    const bool ok = LoaderPhase(s, false) && PaymentKeysPresent(s);
    s.link.Close();
    PrintLog(false, ok ? "AlpayCheck success \n" : "AlpayCheck fail \n");
    return ok;
}

}  // namespace pirrow
