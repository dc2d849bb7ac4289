#include "devsim/model/factory_firmware.h"

#include <optional>
#include <string>
#include <string_view>

#include "devsim/model/firmware_output.h"
#include "devsim/model/gnss_loader.h"

namespace devsim {

namespace {

constexpr size_t kMaxLine = 512;
constexpr std::string_view kFactoryPrefix = "Factory ";

class FactoryFirmware : public Personality {
public:
    explicit FactoryFirmware(std::shared_ptr<const FactoryFirmwareOptions> options)
        : kept_(std::move(options)), options_(*kept_), output_(options_.replyPieceBytes), gnss_(options_.gnss, output_) {}

    PersonalityKind Kind() const override { return PersonalityKind::Firmware; }

    size_t OnBytes(Device& device, const uint8_t* data, size_t n) override {
        for (size_t i = 0; i < n; ++i) {
            const char c = char(data[i]);
            // The debug port's frames (the station's boot-mode handshake)
            // reach the chip while the application runs.
            if (pendingMagic_) {
                pendingMagic_ = false;
                if (data[i] == 0x79) {
                    static const uint8_t kFirst = 0x7E;
                    device.AttachDebugPort(&kFirst, 1);
                    return i;
                }
                line_.push_back(char(0x7E));
            }
            if (data[i] == 0x7E && line_.empty() && device.HasDebugPort()) {
                if (i + 1 < n && data[i + 1] == 0x79) {
                    device.AttachDebugPort();
                    return i;
                }
                if (i + 1 == n) {
                    pendingMagic_ = true;
                    continue;
                }
            }
            if (c != '\r' && c != '\n') {
                if (line_.size() < kMaxLine) line_.push_back(c);
                else overlong_ = true;
                continue;
            }
            std::string line;
            line.swap(line_);
            // A line longer than the console buffer is dropped whole.
            if (!overlong_ && !line.empty()) Command(device, line);
            overlong_ = false;
        }
        return n;
    }

    void OnTick(Device& device, uint64_t nowMs) override {
        if (announced_) return;
        if (!bootStartMs_) bootStartMs_ = nowMs;
        if (nowMs - *bootStartMs_ < options_.bootMs) return;
        announced_ = true;
        output_.Send(device, options_.startupText);
    }

private:
    void Send(Device& device, const std::string& text) { output_.Send(device, text); }
    // The answer of a test item comes once the item has run.
    void SendItem(Device& device, const std::string& text) { output_.Send(device, text, options_.itemMs); }

    void Command(Device& device, const std::string& line) {
        if (gnss_.OnLine(device, line)) return;
        if (line == "Factory enter_test") {
            inTest_ = !options_.neverEnterTest;
            Send(device, inTest_ ? "Factory_enter_test_status:OK\r\n" : "Factory_enter_test_status:FAIL\r\n");
        } else if (line.rfind(kFactoryPrefix, 0) == 0) {
            // The test items answer only in test mode.
            if (inTest_) FactoryCommand(device, line.substr(kFactoryPrefix.size()));
        } else if (line == "wechat_mark_rw 1") {
            SendItem(device, options_.markWrite ? "wechat_mark_rw_SUCCESS\r\n" : "wechat_mark_rw_FAIL\r\n");
        } else if (line == "wechat_mark_rw 2") {
            SendItem(device, options_.oldMark ? "wechat_mark_rw_SUCCESS\r\n" : "wechat_mark_rw_FAIL\r\n");
        } else if (line.rfind("wechat_mark_rw ", 0) == 0) {
            SendItem(device, "wechat_mark_rw_FAIL\r\n");
        } else if (line.rfind("third_func_check ", 0) == 0) {
            ThirdFunction(device);
        }
    }

    void FactoryCommand(Device& device, const std::string& item) {
        if (item == "wechatpay") {
            Wechatpay(device);
            return;
        }
        const std::string status = "Factory_" + item + "_status:";
        if (!FactoryItemNames().count(item) || options_.failingItems.count(item)) {
            SendItem(device, status + "FAIL\r\n");
            return;
        }
        SendItem(device, ItemData(item) + status + "OK\r\n");
    }

    // The data an item lists before its status line.
    std::string ItemData(const std::string& item) const {
        if (item == "get_info")
            return "Factory_get_info_data:\r\nfw_version:" + options_.fwVersion + "\r\nble_name:" + options_.bleName +
                   "\r\n";
        if (item == "bt")
            return "Factory_get_bt_data:\r\nsw_version:" + options_.swVersion + "\r\nsw_name:" + options_.swName +
                   "\r\nbt_version:" + options_.btVersion + "\r\nbt_name:" + options_.btName + "\r\n";
        if (item == "wifi_info") return "Factory_get_wifi_data:\r\nwifi_version:" + options_.wifiVersion + "\r\n";
        return {};
    }

    std::string ModelIdLine() const {
        return options_.wechatModelId ? "get_wechatpay_info:model_id:" + *options_.wechatModelId + "\r\n" : "";
    }

    void Wechatpay(Device& device) {
        if (!options_.wechatPayEnabled) {
            SendItem(device, "wechatpay_enable:0\r\n");
            return;
        }
        // The id comes first, so a reader that stops at the enable line has it.
        SendItem(device, ModelIdLine() + "wechatpay_enable:1\r\n");
    }

    void ThirdFunction(Device& device) {
        std::string verdict = options_.thirdFuncFailValue
                                  ? "third_func_check_FAIL:" + std::to_string(*options_.thirdFuncFailValue) + "\r\n"
                                  : "third_func_check_PASS\r\n";
        SendItem(device, ModelIdLine() + verdict);
    }

    std::shared_ptr<const FactoryFirmwareOptions> kept_;
    const FactoryFirmwareOptions& options_;
    FirmwareOutput output_;
    GnssLoader gnss_;
    std::string line_;
    bool overlong_ = false;
    bool pendingMagic_ = false;
    bool inTest_ = false;
    bool announced_ = false;
    std::optional<uint64_t> bootStartMs_;
};

}  // namespace

std::unique_ptr<Personality> MakeFactoryFirmware(std::shared_ptr<const FactoryFirmwareOptions> options) {
    return std::make_unique<FactoryFirmware>(std::move(options));
}

// The loader's jump lands here. Only the device's own application address
// starts the application; any other address runs nothing that answers.
std::unique_ptr<Personality> MakeFirmware(Device& device, uint32_t jumpAddress,
                                          std::shared_ptr<const FactoryFirmwareOptions> options) {
    if (jumpAddress == 0 || jumpAddress != device.Type().FirmwareAddress()) return nullptr;
    return MakeFactoryFirmware(std::move(options));
}

}  // namespace devsim
