#include "station/engine/settings/station_settings.h"

#include <algorithm>
#include <cstdint>

#include "common/ini_profile.h"
#include "platform/paths.h"
#include "station/engine/log/text_convert.h"

namespace station {
namespace {

// A line never holds a newline, so this fallback marks an absent key.
constexpr const char* kAbsent = "\n";

constexpr int kRetryWindowSeconds = 30;
constexpr int kShortRetryWindowSeconds = 10;
constexpr int kMaxDelaySeconds = 20;
constexpr int kMinJLinkSpeed = 4000;
constexpr int kMaxJLinkSpeed = 12000;
constexpr int kDefaultGpsBaud = 1000000;

int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

StationSettings::StationSettings(std::string root) : root_(std::move(root)) {}

std::string StationSettings::IniPath() const { return PathOf(IniFile::kStation); }
std::string StationSettings::MacWhiteListPath() const { return PathOf(IniFile::kMacWhiteList); }
bool StationSettings::IniExists() const { return platform::FileExists(IniPath()); }

std::string StationSettings::PathOf(IniFile file) const {
    return platform::JoinPath(root_, file == IniFile::kStation ? "Torvane.ini" : "MacWlist.ini");
}

std::optional<std::string> StationSettings::ReadRaw(const KeyName& key) const {
    std::string value = common::IniReadString(PathOf(key.file), key.section, key.key, kAbsent);
    if (value == kAbsent) return std::nullopt;
    return value;
}

int StationSettings::Read(const IntKey& key) const {
    return common::IniReadInt(PathOf(key.file), key.section, key.key, key.fallback);
}

bool StationSettings::Read(const FlagKey& key) const {
    return common::IniReadInt(PathOf(key.file), key.section, key.key, key.fallback ? 1 : 0) != 0;
}

std::string StationSettings::Read(const TextKey& key) const {
    return CutText(ReadRaw(key).value_or(key.fallback), key.capacity);
}

bool StationSettings::Write(const IntKey& key, int value) const {
    return common::IniWriteString(PathOf(key.file), key.section, key.key, std::to_string(value));
}

bool StationSettings::Write(const FlagKey& key, bool value) const {
    return common::IniWriteString(PathOf(key.file), key.section, key.key, value ? "1" : "0");
}

bool StationSettings::Write(const TextKey& key, const std::string& value) const {
    return common::IniWriteString(PathOf(key.file), key.section, key.key, value);
}

int StationSettings::LoadFuncType(bool* replaced) const {
    int funcType = Read(COMMON_SET::FUNC_TYPE);
    const bool bad = (funcType & 0xF) == 0;
    if (replaced) *replaced = bad;
    return bad ? 1 : funcType;
}

int StationSettings::LoadTestType() const { return Read(COMMON_SET::TEST_TYPE) & ~0x100; }

int StationSettings::LoadEraseMask(int funcType) const {
    return Read((funcType & 1) ? COMMON_SET::BURN_ERASE_TYPE : COMMON_SET::ERASE_TYPE);
}

bool StationSettings::WriteEraseMask(int funcType, int mask) const {
    return Write((funcType & 1) ? COMMON_SET::BURN_ERASE_TYPE : COMMON_SET::ERASE_TYPE, mask);
}

int StationSettings::RetryWindowSeconds() const {
    if (!ReadRaw(COMMON_SET::RETRY_LIMIT)) {
        Write(COMMON_SET::RETRY_LIMIT, 1);
        return kRetryWindowSeconds;
    }
    return Read(COMMON_SET::RETRY_LIMIT) == 0 ? kShortRetryWindowSeconds : kRetryWindowSeconds;
}

bool StationSettings::ResetBootEnabled() const {
    if (!ReadRaw(COMMON_SET::RESET_BOOT)) {
        Write(COMMON_SET::RESET_BOOT, 1);
        return true;
    }
    return Read(COMMON_SET::RESET_BOOT) != 0;
}

int StationSettings::DelaySeconds() const {
    const std::string text = Read(COMMON_SET::DELAY_SECOND);
    const bool hex = text.find("0x") != std::string::npos;
    // Digits from the right; the limit is applied while reading, so a long
    // digit run cannot wrap round to a short delay.
    int64_t value = 0, weight = 1;
    for (size_t i = text.size(); i-- > 0;) {
        if (text[i] == ' ') continue;
        const int digit = DigitValue(text[i], hex);
        if (digit < 0) break;
        if (digit != 0 && weight > kMaxDelaySeconds) return kMaxDelaySeconds;
        value += digit * weight;
        if (value > kMaxDelaySeconds) return kMaxDelaySeconds;
        if (weight <= kMaxDelaySeconds) weight *= hex ? 16 : 10;
    }
    return int(value);
}

int StationSettings::GpsBaud() const {
    const int baud = UartBaud();
    return baud == 0 ? kDefaultGpsBaud : baud;
}

int StationSettings::JLinkSpeed() const {
    return std::clamp(Read(SWD_FILTER::BAUND), kMinJLinkSpeed, kMaxJLinkSpeed);
}

int StationSettings::PostAct(int funcType) const { return funcType == 5 ? 0 : Read(LOG_SET::POST_ACT); }

bool StationSettings::FactoryDataSelected() const {
    return Read(BLE_SET::ENABLE_FLAG) || Read(SN_SET::ENABLE_FLAG) || Read(BLE_SET::NAME_FLAG) ||
           Read(BLE_SET::BT_NAME_FLAG) || Read(ALPAY_SET::ENABLE_FLAG);
}

std::string StationSettings::DeviceType() const {
    return Read(DEV_SET::DEV_NAME(Read(DEV_SET::DEV_IDX)));
}

std::string StationSettings::RamLoaderName(const std::string& device) const {
    if (device.empty()) return {};
    return Read(UartBaud() > kMaxBaudOfPlainLoader ? UART_DRIVER_8M::For(device) : UART_DRIVER::For(device));
}

std::vector<std::string> StationSettings::CaliPortNames() const {
    int count = Read(CALI_SET::CALI_PORT_NUM);
    if (count == 0) {
        Write(CALI_SET::CALI_PORT_NUM, 2);
        Write(CALI_SET::CALI_PORT_N(0), "PB08");
        Write(CALI_SET::CALI_PORT_N(1), "PB24");
        count = 2;
    }
    std::vector<std::string> names;
    for (int n = 0; n < count; ++n) names.push_back(Read(CALI_SET::CALI_PORT_N(n)));
    return names;
}

MacWhiteList StationSettings::ReadMacWhiteList() const {
    MacWhiteList list;
    int count = Read(MACWLIST_COMMON::NUM);
    if (count > MACWLIST_COMMON::kMaxEntries) {
        list.truncated = true;
        count = MACWLIST_COMMON::kMaxEntries;
    }
    for (int n = 0; n < count; ++n) list.entries.push_back(Read(MACWLIST_COMMON::MAC(n)));
    return list;
}

}  // namespace station
