// Factory-record jobs that run on their own: one write given on the command
// line, reading the records back, and the payment-key presence check.
#include "common/print_log.h"
#include "pirrow/jobs.h"
#include "pirrow/loader_job.h"
#include "pirrow/reply_poll.h"

namespace pirrow {

using common::PrintLog;

namespace {

constexpr const char* kOtpReadCommand = "otp_factory_read\r\n";

// The keys a device needs for payments; all four must be on record.
constexpr const char* kPaymentKeys[] = {"FACTORY_CFG_ID_ALIPAY_DS:", "FACTORY_CFG_ID_ALIPAY_DN:",
                                        "FACTORY_CFG_ID_ALIPAY_PK:", "FACTORY_CFG_ID_MAC:"};

bool WriteGivenRecord(Session& s) {
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
    return RunLoaderJob(s, {"channel WrFactoryOtp start \n", "WrFactoryOtp", false, 1, nullptr}, WriteGivenRecord);
}

bool RdFactoryOtp(Session& s) {
    return RunLoaderJob(s, {"channel RdFactoryOtp start \n", "RdFactoryOtp", false, -1, nullptr}, ReadRecordsToConsole);
}

bool AlpayCheck(Session& s) {
    return RunLoaderJob(s, {"channel AlpayCheck start \n", "AlpayCheck", false, -1, nullptr}, PaymentKeysPresent);
}

}  // namespace pirrow
