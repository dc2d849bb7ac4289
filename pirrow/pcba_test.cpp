#include <cstdint>
#include <string>

#include "common/print_log.h"
#include "common/text_search.h"
#include "pirrow/exit_status.h"
#include "pirrow/jobs.h"
#include "pirrow/loader.h"
#include "pirrow/pcba_items.h"
#include "pirrow/pcba_payment.h"

namespace pirrow {

using common::Contains;
using common::PrintLog;

namespace {

constexpr int kReplySeconds = 3;
constexpr int kEnterTestAttempts = 5;
constexpr int kEnterTestSeconds = 2;
constexpr int kEnterTestPercent = 36;

// The application's start address in flash depends on the device family.
const char* JumpCommand(const std::string& device) {
    if (device.empty() || Contains(device, "QM2B")) return "hcpu_jump_run 0x10020000\r\n";
    if (Contains(device, "QM2C")) return "hcpu_jump_run 0x1c008000\r\n";
    if (Contains(device, "QM2A")) {
        return Contains(device, "NAND") ? "hcpu_jump_run 0x62080000\r\n" : "hcpu_jump_run 0x120A0000\r\n";
    }
    return nullptr;
}

// Starts the application and lets it boot; NAND boards take longer.
void StartApplication(Session& s, const char* jump, uint32_t bootPauseMs) {
    s.link.SetLoaderState(LoaderState::Absent);  // the application owns the link from here
    s.link.Send(jump);
    for (int percent = 32; percent <= 36; ++percent) {
        s.clock.SleepMs(bootPauseMs);
        PrintPercent(percent);
    }
    s.link.WaitOk(2000);  // collects the start-up text; it carries no verdict
}

bool EnterTestMode(Session& s) {
    s.link.Purge();
    PrintLog(false, "send: Factory enter_test\n");
    for (int attempt = 0; attempt < kEnterTestAttempts; ++attempt) {
        s.link.Send("Factory enter_test\r\n");
        if (s.link.ReadExpectRet("Factory_enter_test_status:OK", "Factory_enter_test_status:FAIL", kEnterTestSeconds,
                                 kEnterTestPercent, kEnterTestPercent))
            return true;
    }
    return false;
}

bool SendItem(Session& s, const PcbaItem& item) {
    s.link.Purge();
    PrintLog(false, "%s", item.logLine);
    s.link.Send(item.command);
    return s.link.ReadExpectRet(item.okToken, item.failToken, kReplySeconds, item.slotPercent, item.slotPercent);
}

// The data an item reports beside its status; the station records it.
bool CheckItemData(Session& s, PcbaCheck check) {
    const std::string& reply = s.link.Reply();
    const RunSettings& cfg = s.settings;
    ReplyCheck result{true, {}};
    switch (check) {
        case PcbaCheck::None:
            break;
        case PcbaCheck::InfoData:
            result = CheckInfoData(reply, cfg.bleName, cfg.fwVersion);
            break;
        case PcbaCheck::BtData: {
            s.link.Purge();
            BtDataResult bt = ParseBtData(reply);
            for (const std::string& line : bt.consoleLines) common::PrintConsole("%s\n", line.c_str());
            result = bt.check;
            break;
        }
        case PcbaCheck::WifiVersion: {
            s.link.Purge();
            WifiResult wifi = ParseWifiVersion(reply);
            if (wifi.check.ok) common::PrintConsole("wifi_version:%s\n", wifi.version.c_str());
            result = wifi.check;
            break;
        }
    }
    if (!result.ok) PrintLog(false, "%s", result.error.c_str());
    return result.ok;
}

bool RunItem(Session& s, const PcbaItem& item, uint32_t bootPauseMs) {
    bool replied = SendItem(s, item);
    // get_info may come before the application has settled: one more try.
    if (!replied && item.bit == kPcbaGetInfoBit) {
        s.clock.SleepMs(bootPauseMs);
        replied = SendItem(s, item);
    }
    return replied && CheckItemData(s, item.check);
}

// Steps after the loader phase; `failed` keeps the items not yet passed.
void RunTest(Session& s, uint32_t& failed) {
    const uint32_t selected = uint32_t(s.settings.pcbaMask);
    PrintPercent(1);
    const char* jump = JumpCommand(s.settings.deviceType);
    if (jump == nullptr) {
        PrintLog(false, "X curversion only support QM2B/QM2A/QM2C test\n");
        return;
    }
    const uint32_t bootPauseMs = Contains(s.settings.deviceType, "NAND") ? 4000 : 2000;
    StartApplication(s, jump, bootPauseMs);
    if (!EnterTestMode(s)) return;
    PrintPercent(40);

    for (const PcbaItem& item : kPcbaItems) {
        if ((selected & item.bit) && RunItem(s, item, bootPauseMs)) failed &= ~item.bit;
        PrintPercent(item.slotPercent);
    }
    if ((selected & kPcbaPaymentBit) && RunPaymentSlot(s)) failed &= ~kPcbaPaymentBit;
    s.clock.SleepMs(1000);
    PrintPercent(100);
}

}  // namespace

uint32_t PcbaTest(Session& s) {
    uint32_t failed = uint32_t(s.settings.pcbaMask);
    PrintLog(false, "channel PcbaTest start \n");
    s.progress.total = 0;
    try {
        if (LoaderPhase(s, false)) RunTest(s, failed);
        // The whole mask reaches the caller before the clean-up takes its time.
        ReportStatus(s, int32_t(failed));
        if (s.settings.postAct != 0 && s.link.IsOpen()) ResetUe(s);
    } catch (const JobInterrupted&) {
        // The items not yet passed; a mask of 0 could not tell a failure.
        s.interruptedStatus = failed != 0 ? int32_t(failed) : -1;
        throw;
    }
    s.link.Close();
    PrintLog(false, failed == 0 ? "PcbaTest success \n" : "PcbaTest fail \n");
    return failed;
}

}  // namespace pirrow
