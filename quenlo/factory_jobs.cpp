#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "common/file_util.h"
#include "common/otp_record_file.h"
#include "common/print_log.h"
#include "quenlo/jobs.h"
#include "quenlo/rtt.h"

namespace quenlo {

using common::PrintLog;

namespace {

constexpr int kOtpReads = 31;
constexpr uint32_t kOtpReadMs = 100;
constexpr const char* kOtpWritePass = "OTP_FACTORY_WRITE_PASS";
constexpr const char* kOtpWriteFail = "OTP_FACTORY_WRITE_FAIL";

// The factory records of the file as write commands; false (logged) when a
// record's length does not suit its id. Nothing is sent before all are known.
bool BuildRecordCommands(const std::vector<uint8_t>& file, std::vector<std::string>& commands) {
    size_t offset = 0;
    common::OtpFileStep step;
    while (common::NextOtpCommand(file, offset, step)) {
        const common::OtpRecord& record = step.record;
        switch (step.kind) {
            case common::OtpCommandResult::End: return true;
            case common::OtpCommandResult::Skip:
                PrintLog(false, "id %d len %d not support\n", record.id, int(record.value.size()));
                break;
            case common::OtpCommandResult::LengthError:
                PrintLog(false, "id %d len %d error\n", record.id, int(record.value.size()));
                return false;
            case common::OtpCommandResult::Command: commands.push_back(step.command); break;
        }
    }
    return true;  // the end of the file counts as the end record
}

// Reads until the loader says whether the record was written.
bool AwaitOtpWrite(Tool& t) {
    RttReceiver rx(t);
    PollReads(t, rx, kOtpReads, kOtpReadMs, [](const RttReceiver& r) {
        return r.Has(kOtpWritePass) || r.Has(kOtpWriteFail) || r.Text().size() >= kRxReadMax;
    });
    if (rx.Has(kOtpWritePass)) return true;
    PrintLog(false, "X jlink_RTTERMINAL_Read OTP_FACTORY_WRITE_PASS error\n");
    return false;
}

bool SendRecords(Tool& t, const std::string& recordFile) {
    std::vector<uint8_t> file;
    // No record file: nothing to write.
    if (!common::ReadWholeFile(recordFile, file)) return true;
    std::vector<std::string> commands;
    if (!BuildRecordCommands(file, commands)) return false;
    for (const std::string& command : commands) {
        PrintLog(false, "w: %s", command.c_str());
        const int taken = t.jl.RTTERMINAL_Write(0, command.data(), uint32_t(command.size()));
        if (taken != int(command.size())) {
            PrintLog(false, "X jlink_RTTERMINAL_Write error %d vs %d\n", taken, int(command.size()));
            return false;
        }
        if (!AwaitOtpWrite(t)) return false;
    }
    return true;
}

// Session and RAM loader of the RTT jobs; both close the session on failure.
bool OpenWithLoader(Tool& t) { return OpenSession(t) && StartRamLoader(t); }

// Sends `command`, logging `logText` ("w: ..." with the command's own words).
bool SendLogged(Tool& t, const std::string& command, const std::string& logText) {
    PrintLog(false, "%s", logText.c_str());
    if (RttWrite(t, command)) return true;
    PrintLog(false, "X jlink_RTTERMINAL_Write error\n");
    return false;
}

// The --fish command when given, else the job's own.
bool SendFishOr(Tool& t, const char* fallback) {
    if (!t.cfg.fishCommand.empty()) return SendLogged(t, t.cfg.fishCommand, "w: " + t.cfg.fishCommand);
    return SendLogged(t, std::string(fallback) + "\r\n", std::string("w: ") + fallback + "\n");
}

constexpr int kCaliFirstPercent = 30;
constexpr int kCaliPercentStep = 3;

bool Calibrate(Tool& t, const char* defaultCommand, const char* passText, const char* failText, int rounds,
               int lastPercent, const std::function<void()>& afterSend = {}) {
    PrintPercent(1);
    if (!OpenSession(t)) return false;
    PrintPercent(5);
    if (!StartRamLoader(t)) return false;
    PrintPercent(30);
    if (!SendFishOr(t, defaultCommand)) {
        CloseSession(t);
        return false;
    }
    if (afterSend) afterSend();
    RttReceiver rx(t);
    ReadRounds(
        t, rx, rounds, 1000,
        [&](const RttReceiver& r) { return r.Has(passText) || r.Has(failText) || r.Text().size() >= kRxReadMax; },
        [&](int round) {
            const int percent = kCaliFirstPercent + kCaliPercentStep * round;
            if (percent <= lastPercent) PrintPercent(percent);
        });
    if (rx.Has(passText)) {
        CloseSession(t);
        PrintPercent(100);
        return true;
    }
    PrintLog(false, "X jlink_RTTERMINAL_Read error\n");
    CloseSession(t);
    return false;
}

// The decimal value of up to four characters at `from`; -1 when there are none.
int FourCharValue(const std::string& text, size_t from) {
    if (from >= text.size()) return -1;
    return std::atoi(text.substr(from, 4).c_str());
}

}  // namespace

int CrystalSeconds(const std::string& fish) {
    int seconds = 20;
    const size_t ble = fish.find("ble_crystal_cali ");
    if (ble != std::string::npos) {
        const int v = FourCharValue(fish, ble + 17);
        if (v >= 0) seconds = v;
        return seconds;
    }
    const size_t plain = fish.find("crystal_cali ");
    if (plain == std::string::npos) return seconds;
    // The third argument: past the second blank after the command word.
    size_t at = plain + 13;
    for (int blanks = 0; blanks < 2 && at != std::string::npos; ++blanks) {
        at = fish.find(' ', at);
        if (at != std::string::npos) ++at;
    }
    if (at != std::string::npos) {
        const int v = FourCharValue(fish, at);
        if (v >= 0) seconds = v;
    }
    return seconds;
}

bool WriteFactoryData(Tool& t, const std::string& recordFile) {
    if (!OpenWithLoader(t)) return false;
    const bool ok = SendRecords(t, recordFile);
    if (t.cfg.postact != 0) {
        LogResetResult(ResetTarget(t));
        t.jl.Go();
    }
    CloseSession(t);
    return ok;
}

bool WrFactoryOtp(Tool& t) {
    if (!OpenWithLoader(t)) return false;
    bool ok = false;
    if (t.cfg.fishCommand.empty()) PrintLog(false, "X no fish cmd\n");
    else ok = SendLogged(t, t.cfg.fishCommand, "w: " + t.cfg.fishCommand) && AwaitOtpWrite(t);
    CloseSession(t);
    return ok;
}

bool RdFactoryOtp(Tool& t) {
    if (!OpenWithLoader(t)) return false;
    bool ok = false;
    if (SendFishOr(t, "otp_factory_read")) {
        RttReceiver rx(t);
        PollReads(t, rx, kOtpReads, kOtpReadMs, [](const RttReceiver& r) {
            return r.Has("OTP_FACTORY_READ_OVER") || r.Text().size() >= kRxReadMax;
        });
        ok = rx.Has("OTP_FACTORY_READ_OVER");
        if (ok || rx.Text().size() >= kRxReadMax) PrintLog(true, "%s", rx.Text().c_str());
    }
    CloseSession(t);
    t.clock.SleepMs(1000);
    return ok;
}

bool AlpayCheck(Tool& t) {
    if (!t.cfg.Seen(kOptFacAddr)) return false;
    if (!OpenWithLoader(t)) return false;
    bool ok = false;
    if (SendLogged(t, "otp_factory_read\r\n", "w: otp_factory_read\n")) {
        static const char* const kKeys[] = {"FACTORY_CFG_ID_ALIPAY_DS:", "FACTORY_CFG_ID_ALIPAY_DN:",
                                            "FACTORY_CFG_ID_ALIPAY_PK:", "FACTORY_CFG_ID_MAC:"};
        auto allKeys = [](const RttReceiver& r) {
            for (const char* key : kKeys)
                if (!r.Has(key)) return false;
            return true;
        };
        RttReceiver rx(t);
        PollReads(t, rx, 6, 1000, [&](const RttReceiver& r) { return allKeys(r) || r.Text().size() >= kRxReadMax; });
        ok = allKeys(rx);
    }
    CloseSession(t);
    return ok;
}

bool CaliBattery(Tool& t) {
    // Rounds print 30, 33 ... 90.
    return Calibrate(t, "battery_cali 4000 400 30 1000 220", "BATTERY_CALI_PASS", "BATTERY_CALI_FAIL", 21, 90);
}

bool CaliCrystal(Tool& t) {
    const int seconds = CrystalSeconds(t.cfg.fishCommand);
    // Rounds print 30, 33 ... while below 100.
    return Calibrate(t, "crystal_cali 8 5 10", "CRYSTAL_CALI_PASS", "CRYSTAL_CALI_FAIL", seconds + 1, 99,
                     [&] { PrintLog(false, "caliSecond: %d\n", seconds); });
}

}  // namespace quenlo
