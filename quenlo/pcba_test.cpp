#include <array>
#include <cstdio>

#include "common/print_log.h"
#include "common/text_search.h"
#include "quenlo/jobs.h"
#include "quenlo/pcba_checks.h"

namespace quenlo {

using common::PrintLog;

namespace {

constexpr uint32_t kPaymentBit = 0x10;
constexpr uint32_t kStatusItemWaitMs = 3000;
// The application's first RTT text: the flow leaves this wait open; a board
// that never starts must not hold the channel for ever.
constexpr uint32_t kFirstTextLimitMs = 10000;
constexpr int kEnterTestAttempts = 5;
const char* const kSearchRanges =
    "SetRTTSearchRanges 0x00010000 0x10000, 0x20080000 0x80000, 0x20000000 0x80000, 0x20000 0x10000";

enum class ItemKind { Info, Bluetooth, Status, Wifi };

struct Item {
    uint32_t bit;
    ItemKind kind;
    const char* command;
    const char* okText;
    const char* failText;
    int percentAfter;
};

const std::array<Item, 9> kItems = {{
    {0x001, ItemKind::Info, "Factory get_info\r\n", nullptr, nullptr, 55},
    {0x002, ItemKind::Bluetooth, "Factory bt\r\n", nullptr, nullptr, 60},
    {0x004, ItemKind::Status, "Factory gsensor\r\n", "Factory_gsensor_status:OK", "Factory_gsensor_status:FAIL", 65},
    {0x008, ItemKind::Status, "Factory ble_mac\r\n", "Factory_ble_mac_status:OK", "Factory_ble_mac_status:FAIL", 70},
    {0x020, ItemKind::Status, "Factory hr\r\n", "Factory_hr_status:OK", "Factory_hr_status:FAIL", 75},
    {0x040, ItemKind::Status, "Factory flash\r\n", "Factory_flash_status:OK", "Factory_flash_status:FAIL", 80},
    {0x080, ItemKind::Status, "Factory charger\r\n", "Factory_charger_status:OK", "Factory_charger_status:FAIL", 85},
    {0x100, ItemKind::Status, "Factory cywee\r\n", "Factory_cywee_status:OK", "Factory_cywee_status:FAIL", 90},
    {0x200, ItemKind::Wifi, "Factory wifi_info\r\n", nullptr, nullptr, 95},
}};

bool RunItem(Tool& t, const Item& item) {
    switch (item.kind) {
        case ItemKind::Info: return CheckDeviceInfo(t) || CheckDeviceInfo(t);
        case ItemKind::Bluetooth: return CheckBluetooth(t, 10000) || CheckBluetooth(t, 5000);
        case ItemKind::Wifi: return CheckWifi(t);
        case ItemKind::Status: {
            RttReceiver rx(t, true);
            return RttCommand(t, rx, item.command, item.okText, item.failText, kStatusItemWaitMs);
        }
    }
    return false;
}

// The application core's jump command by device type; empty when the test
// does not support the device.
std::string JumpAddress(const std::string& device) {
    if (device.empty() || common::Contains(device, "QM2B")) return "0x10020000";
    if (common::Contains(device, "QM2C")) return "0x1c008000";
    return {};
}

// Starts the application, waits for it to boot and connects RTT to it.
bool StartApplication(Tool& t) {
    const std::string address = JumpAddress(t.cfg.device);
    if (address.empty()) {
        PrintLog(false, "X curversion only support QM2B and QM2C test\n");
        CloseSession(t);
        return false;
    }
    PrintLog(false, "w: hcpu_jump_run %s\n", address.c_str());
    if (!RttWrite(t, "hcpu_jump_run " + address + "\r\n")) {
        PrintLog(false, "X jlink_RTTERMINAL_Write error\n");
        CloseSession(t);
        return false;
    }
    t.clock.SleepMs(1000);
    PrintPercent(31);
    CloseSession(t);
    for (int percent = 32; percent <= 36; ++percent) {
        t.clock.SleepMs(2000);
        PrintPercent(percent);
    }
    if (!OpenSession(t)) return false;
    if (t.cfg.Seen(kOptRttAddr)) {
        char command[40];
        std::snprintf(command, sizeof command, "SetRTTAddr 0x%08x", t.cfg.rttAddr);
        t.jl.ExecCommand(command, nullptr, 0);
    } else {
        t.jl.ExecCommand(kSearchRanges, nullptr, 0);
    }
    if (!ConnectRtt(t, nullptr)) return false;

    RttReceiver rx(t, true);
    const uint64_t limit = t.clock.NowMs() + kFirstTextLimitMs;
    for (;;) {
        rx.Clear();
        const int n = rx.ReadMore();
        if (n != 0) break;
        if (t.clock.NowMs() >= limit) {
            PrintLog(false, "X jlink_rtt_connect error\n");
            CloseSession(t);
            return false;
        }
        t.clock.SleepMs(kRttPollMs);
    }
    for (int percent = 37; percent <= 40; ++percent) {
        t.clock.SleepMs(1000);
        PrintPercent(percent);
    }
    PrintLog(false, "40\n");
    RttDrain(t);
    PrintPercent(45);
    PrintLog(false, "45\n");
    return true;
}

bool EnterTestMode(Tool& t) {
    for (int attempt = 0; attempt < kEnterTestAttempts; ++attempt) {
        RttReceiver rx(t, true);
        if (RttCommand(t, rx, "Factory enter_test\r\n", "Factory_enter_test_status:OK",
                       "Factory_enter_test_status:FAIL", 2000))
            return true;
    }
    PrintLog(false, "X Factory enter_test error\n");
    CloseSession(t);
    return false;
}

}  // namespace

uint32_t PcbaTest(Tool& t) {
    uint32_t mask = uint32_t(t.cfg.pcba);
    PrintPercent(1);
    if (!OpenSession(t)) return mask;
    PrintPercent(5);
    if (!StartRamLoader(t)) return mask;
    PrintPercent(30);
    if (!StartApplication(t) || !EnterTestMode(t)) return mask;
    PrintPercent(50);
    for (const Item& item : kItems) {
        if ((mask & item.bit) && RunItem(t, item)) mask &= ~item.bit;
        PrintPercent(item.percentAfter);
    }
    if ((mask & kPaymentBit) && CheckPayment(t)) mask &= ~kPaymentBit;
    t.clock.SleepMs(1000);
    CloseSession(t);
    PrintPercent(100);
    return mask;
}

}  // namespace quenlo
