#pragma once
// What the virtual application firmware answers: factory test items, the
// payment checks and the GNSS loader, each with the outcomes a test may ask
// for. Each device carries its own set (DeviceOptions, device_options.h).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace devsim {

// How one step of the GNSS loader answers.
enum class GnssStepOutcome { Ok, Fail, Silent };

struct GnssLoaderOptions {
    GnssStepOutcome request = GnssStepOutcome::Ok;  // "GNSS,01,01"
    GnssStepOutcome start = GnssStepOutcome::Ok;    // "GNSS,01,02"
    GnssStepOutcome finish = GnssStepOutcome::Ok;   // "GNSS,01,04" after the progress
    // The load stops reporting after this stage (1-5; 0: never stalls).
    int stallAfterStage = 0;
    // Time between two progress lines.
    uint32_t progressGapMs = 100;
};

struct FactoryFirmwareOptions {
    // Start-up text printed once the application has booted.
    std::string startupText = "\r\nfactory app start\r\n";
    uint32_t bootMs = 300;
    // "Factory enter_test" is answered with FAIL every time.
    bool neverEnterTest = false;
    // Items ("get_info", "bt", "gsensor", ...) that answer FAIL.
    std::set<std::string> failingItems;
    // Values of get_info, bt and wifi_info, sent as they stand (trailing spaces included).
    std::string fwVersion = "v1.0.0.1";
    std::string bleName = "norva_ble";
    std::string swVersion = "v1.0.0.1";
    std::string swName = "norva_sw";
    std::string btVersion = "v1.0.0.1";
    std::string btName = "norva_bt";
    std::string wifiVersion = "v1.0.0.1";
    // "wechat_mark_rw 2" (the old mark) and "wechat_mark_rw 1" (writing the mark).
    bool oldMark = false;
    bool markWrite = true;
    bool wechatPayEnabled = true;
    // Text after "get_wechatpay_info:model_id:", up to the line end (sent as
    // it stands, so a trailing space ends the id the way the tools read it).
    // Reported by "Factory wechatpay" and "third_func_check"; none: no such line.
    std::optional<std::string> wechatModelId;
    // The value "third_func_check_FAIL:%d" reports; none: the check passes.
    std::optional<int32_t> thirdFuncFailValue;
    // Every reply leaves in pieces of this many bytes, one piece per
    // kPieceGapMs, so a reader sees it split across reads (0: whole).
    size_t replyPieceBytes = 0;
    // How long each test item (and each payment or third-function check)
    // takes before it answers.
    uint32_t itemMs = 0;
    GnssLoaderOptions gnss;
};

// Time between two pieces of a split reply (longer than a tool's poll).
constexpr uint32_t kPieceGapMs = 150;

// The items of the factory test, as named in "Factory <item>".
const std::set<std::string>& FactoryItemNames();

// Sets one option from the transport's command line ("--fw-fail", ...). Returns
// false with `error` set for a bad value; `known` tells whether the name is ours.
bool ApplyFirmwareOption(FactoryFirmwareOptions& options, std::string_view name, std::string_view value,
                         bool& known, std::string& error);

// One line per option, for the transport's usage text.
const char* FirmwareOptionsUsage();

}  // namespace devsim
