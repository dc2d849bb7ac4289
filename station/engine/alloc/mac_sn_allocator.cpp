#include "station/engine/alloc/mac_sn_allocator.h"

#include <cstdio>

#include "common/file_util.h"
#include "common/ini_profile.h"
#include "platform/durable_file.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "platform/random.h"
#include "station/engine/alloc/mac_sn_numbers.h"
#include "station/engine/alloc/mac_spreadsheet.h"
#include "station/engine/alloc/station_identifier.h"
#include "station/engine/log/main_log.h"

namespace station {
namespace {

constexpr size_t kMacBytes = 6;

common::OtpRecord TextRecord(uint8_t id, const std::string& text) {
    return {id, std::vector<uint8_t>(text.begin(), text.end())};
}

// Record 1 holds the MAC least significant byte first.
common::OtpRecord MacRecord(uint64_t mac) {
    common::OtpRecord record{common::FACTORY_CFG_ID_MAC, {}};
    for (size_t i = 0; i < kMacBytes; ++i) record.value.push_back(uint8_t(mac >> (8 * i)));
    return record;
}

// MASK_ADDR: 1 to 4 hexadecimal digits, the two high bytes of random MACs.
bool ParseMacMask(const std::string& text, uint64_t& mask) {
    if (text.empty() || text.size() > 4) return false;
    const auto value = ParseMac(std::string(12 - text.size(), '0') + text);
    if (!value) return false;
    mask = *value;
    return true;
}

// A counter increment below 1 would hand one number to every device.
uint64_t Increment(int upValue) { return upValue < 1 ? 1 : uint64_t(upValue); }

ChannelLogFn MainLogLine() {
    return [](int channel, const std::string& text) { Log(channel, "%s", text.c_str()); };
}

}  // namespace

MacSnAllocator::MacSnAllocator(StationSettings settings, MessageFn showMessage, platform::Clock& clock,
                               ChannelTable& channels)
    : settings_(std::move(settings)), showMessage_(std::move(showMessage)), clock_(clock), channels_(channels) {}

void MacSnAllocator::OpenFactoryDatabase() {
    std::lock_guard<std::mutex> guard(mutex_);
    database_.Close();
    if (settings_.Read(COMMON_SET::FACTORY_DB) == 0) return;
    const std::string message = database_.Open(settings_.Root());
    if (!message.empty()) showMessage_(message);
}

void MacSnAllocator::MakeStationIdentifier(const std::string& sysClassNet) {
    identifier_ = station::MakeStationIdentifier(sysClassNet);
}

void MacSnAllocator::ArmMessages() {
    std::lock_guard<std::mutex> guard(mutex_);
    messagesArmed_ = true;
}

void MacSnAllocator::ShowOnce(const char* message) {
    if (!messagesArmed_) return;
    messagesArmed_ = false;
    showMessage_(message);
}

MacSnAllocator::Allocation& MacSnAllocator::Of(int channel) { return allocations_.at(size_t(channel - 1)); }
const MacSnAllocator::Allocation& MacSnAllocator::Of(int channel) const { return allocations_.at(size_t(channel - 1)); }

std::string MacSnAllocator::TempPath(const char* format, int channel) const {
    char name[64];
    std::snprintf(name, sizeof name, format, channel);
    return platform::JoinPath(settings_.Root(), name);
}

std::string MacSnAllocator::FactoryDataPath(int channel) const { return TempPath("temp/BLE_SN_%d.bin", channel); }
std::string MacSnAllocator::ChannelBurnListPath(int channel) const {
    return TempPath("temp/ImgBurnList_%d.txt", channel);
}
std::string MacSnAllocator::StationBurnListPath() const {
    return platform::JoinPath(settings_.Root(), "temp/ImgBurnList.txt");
}

std::string MacSnAllocator::MacText(int channel) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return Of(channel).mac;
}

std::string MacSnAllocator::SnText(int channel) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return Of(channel).sn;
}

void MacSnAllocator::Publish(int channel, const Allocation& a) {
    channels_[channel].macText.Set(a.mac);
    channels_[channel].snText.Set(a.sn);
}

bool MacSnAllocator::WriteSettings(int channel, const std::vector<common::IniEntry>& entries) {
    if (entries.empty() || common::IniWriteStrings(settings_.IniPath(), entries)) return true;
    std::string keys;
    for (const auto& e : entries) keys += " " + e.section + "/" + e.key;
    Log(channel, "Torvane.ini write error:%s\n", keys.c_str());
    return false;
}

int MacSnAllocator::BuildFactoryData(int channel) {
    std::lock_guard<std::mutex> guard(mutex_);
    Allocation& a = Of(channel);
    a = Allocation{};
    Publish(channel, a);
    const bool ok = Build(channel, a);
    if (!ok) ReleaseSheetRow(channel, a);  // the MAC never left the station
    Publish(channel, a);
    return ok ? 1 : 0;
}

bool MacSnAllocator::Build(int channel, Allocation& a) {
    std::string list;
    if (!CopyBurnList(channel, list)) return false;
    if (!settings_.FactoryDataSelected()) {
        Log(channel, "no factory data sel\n");
        return true;
    }
    std::remove(TempPath("temp/FactoryData_%d.bin", channel).c_str());
    std::remove(FactoryDataPath(channel).c_str());

    // Names and keys first: a text the device cannot take must not cost numbers.
    std::vector<common::OtpRecord> records, texts;
    if (!NameAndKeyRecords(channel, texts)) return false;
    if (settings_.Read(BLE_SET::ENABLE_FLAG) && !AllocateMac(channel, a, records)) return false;
    if (settings_.Read(SN_SET::ENABLE_FLAG) && !AllocateSn(channel, a, records)) return false;
    records.insert(records.end(), texts.begin(), texts.end());
    // Spent before they are handed out: the advanced counters and the
    // channel's bookkeeping reach the disk together, before the file exists.
    if (!WriteSettings(channel, a.staged)) return false;
    if (!WriteFactoryData(channel, records)) return false;

    // Entry 0 of the channel's list is its own factory-data file.
    list = common::IniSetString(list, "FILEINFO", "FILE0", FactoryDataPath(channel));
    list = common::IniSetString(list, "FILEINFO", "ADDR0", kFactoryDataAddress);
    return WriteChannelBurnList(channel, list);
}

bool MacSnAllocator::WriteChannelBurnList(int channel, const std::string& list) {
    const std::string path = ChannelBurnListPath(channel);
    // Not flushed: a list lost in a crash is made again by the next build.
    if (platform::ReplaceFile(path, std::vector<uint8_t>(list.begin(), list.end()), false)) return true;
    Log(channel, "write %s error\n", path.c_str());
    return false;
}

// The plain copy comes first, as it also shows that the temp directory can
// be written before any number is spent.
bool MacSnAllocator::CopyBurnList(int channel, std::string& list) {
    std::vector<uint8_t> bytes;
    const std::string from = StationBurnListPath();
    if (!common::ReadWholeFile(from, bytes)) {
        Log(channel, "read %s error\n", from.c_str());
        return false;
    }
    list.assign(bytes.begin(), bytes.end());
    return WriteChannelBurnList(channel, list);
}

bool MacSnAllocator::AllocateMac(int channel, Allocation& a, std::vector<common::OtpRecord>& records) {
    uint64_t mac = 0;
    if (settings_.Read(BLE_SET::RANDOM_FLAG)) {
        // Two fixed high bytes and 32 bits from the system's random source.
        const std::string maskText = settings_.Read(BLE_SET::MASK_ADDR);
        uint64_t mask = 0;
        if (!ParseMacMask(maskText, mask)) {
            Log(channel, "BLE mask addr error :%s\n", maskText.c_str());
            return false;
        }
        mac = (mask << 32) | platform::RandomU32();
    } else if (settings_.Read(BLE_SET::MAC_FLIE_FLAG)) {
        std::string text;
        const std::string file = settings_.Read(BLE_SET::MAC_FILE);
        a.sheetPath = platform::IsCompletePath(file) ? file : platform::JoinPath(settings_.Root(), file);
        a.sheetRow = TakeMacFromSheet(a.sheetPath, channel, SheetEnv(channel), text);
        const auto value = ParseMac(text);
        if (a.sheetRow < 0 || !value) {
            Log(channel, "MAC 获取失败, 请确认\n");
            ShowOnce(kMacTakeFailedMessage);
            return false;
        }
        mac = *value;
    } else if (!TakeRangeMac(channel, a, mac)) {
        return false;
    }
    const std::string text = FormatMac(mac);
    if (database_.IsOpen() && IsMacUsedLocked(channel, text)) {
        Log(channel, "MAC 已经使用过, 请确认\n");
        ReleaseSheetRow(channel, a);
        ShowOnce(kMacUsedMessage);
        return false;
    }
    a.mac = text;
    records.push_back(MacRecord(mac));
    return true;
}

bool MacSnAllocator::TakeRangeMac(int channel, Allocation& a, uint64_t& mac) {
    const TextKey reuseKey = MACLOCAL_REUSE::CHAN(channel);
    const std::string reuse = settings_.Read(reuseKey);
    const std::string endText = settings_.Read(BLE_SET::END_ADDR);
    const auto reused = ParseMac(reuse), end = ParseMac(endText);
    // A failed device's MAC goes to the channel's next device.
    if (reused && end && *reused <= *end) {
        mac = *reused;
        a.macReuse = true;
        return true;
    }
    if (!reuse.empty()) a.Stage(reuseKey, "");

    const std::string curText = settings_.Read(BLE_SET::CUR_ADDR);
    const auto cur = ParseMac(curText);
    if (!cur) {
        Log(channel, "BLE cur addr error :%s  len(%d vs 12)\n", curText.c_str(), int(curText.size()));
        return false;
    }
    if (!end) {
        Log(channel, "BLE end addr error :%s\n", endText.c_str());
        return false;
    }
    if (*cur >= *end) {
        Log(channel, "BLE cur addr > end addr error\n");
        showMessage_(kMacRangeEndMessage);
        return false;
    }
    const uint64_t next = *cur + Increment(settings_.Read(BLE_SET::UP_VALUE));
    a.Stage(BLE_SET::CUR_ADDR, FormatMac(next));
    a.Stage(reuseKey, FormatMac(*cur));
    a.macReuse = true;
    mac = *cur;
    return true;
}

bool MacSnAllocator::AllocateSn(int channel, Allocation& a, std::vector<common::OtpRecord>& records) {
    const int width = SnCounterWidth(settings_.Read(SN_SET::START_VALUE));
    const std::string prefix = settings_.Read(SN_SET::SN_DES);
    const TextKey reuseKey = SNLOCAL_REUSE::CHAN(channel);
    const std::string reuse = settings_.Read(reuseKey);

    // A failed device's serial number goes to the channel's next device,
    // written as it was (with the prefix, or bare digits).
    std::string digits;
    if (reuse.size() == prefix.size() + size_t(width) && reuse.compare(0, prefix.size(), prefix) == 0)
        digits = reuse.substr(prefix.size());
    else if (reuse.size() == size_t(width))
        digits = reuse;
    if (!digits.empty() && ParseSnCounter(digits, width)) {
        records.push_back(TextRecord(common::FACTORY_CFG_ID_SN, reuse));
        a.sn = digits;
        a.snReuse = true;
        return true;
    }
    if (!reuse.empty()) a.Stage(reuseKey, "");

    const std::string curText = settings_.Read(SN_SET::CUR_VALUE);
    const auto cur = ParseSnCounter(curText, width);
    if (!cur) {
        Log(channel, "SN cur value error :%s\n", curText.c_str());
        return false;
    }
    if (*cur >= SnCounterMaximum(width)) {
        Log(channel, "SN cur addr is greate equal to 99999999 error\n");
        showMessage_(kSnRangeEndMessage);
        return false;
    }
    const uint64_t next = *cur + Increment(settings_.Read(SN_SET::UP_VALUE));
    a.Stage(SN_SET::CUR_VALUE, FormatSnCounter(next, width));
    a.Stage(reuseKey, prefix + curText);
    a.snReuse = true;
    a.sn = curText;
    records.push_back(TextRecord(common::FACTORY_CFG_ID_SN, prefix + curText));
    return true;
}

bool MacSnAllocator::NameAndKeyRecords(int channel, std::vector<common::OtpRecord>& records) {
    auto add = [&](bool selected, uint8_t id, const TextKey& key) {
        if (!selected) return true;
        const std::string text = settings_.Read(key);
        if (text.empty()) return true;
        // The tools refuse a longer text record after the images are written.
        if (text.size() > common::kOtpMaxTextLength) {
            Log(channel, "factory data %s/%s too long: %d bytes (at most %d)\n", key.section.c_str(),
                key.key.c_str(), int(text.size()), int(common::kOtpMaxTextLength));
            return false;
        }
        records.push_back(TextRecord(id, text));
        return true;
    };
    const bool keys = settings_.Read(ALPAY_SET::ENABLE_FLAG);
    return add(settings_.Read(BLE_SET::NAME_FLAG), common::FACTORY_CFG_ID_BLE_NAME, BLE_SET::BLE_NAME) &&
           add(settings_.Read(BLE_SET::BT_NAME_FLAG), common::FACTORY_CFG_ID_BT_NAME, BLE_SET::BT_NAME) &&
           add(keys, common::FACTORY_CFG_ID_ALIPAY_PK, ALPAY_SET::PK) &&
           add(keys, common::FACTORY_CFG_ID_ALIPAY_DN, ALPAY_SET::DN) &&
           add(keys, common::FACTORY_CFG_ID_ALIPAY_DS, ALPAY_SET::DS);
}

bool MacSnAllocator::WriteFactoryData(int channel, const std::vector<common::OtpRecord>& records) {
    const std::string path = FactoryDataPath(channel);
    if (platform::ReplaceFile(path, common::EncodeOtpRecords(records), false)) return true;
    Log(channel, "write %s error\n", path.c_str());
    return false;
}

SheetEnvironment MacSnAllocator::SheetEnv(int channel) const {
    return {&clock_, showMessage_, [channel](const std::string& line) { Log(channel, "%s", line.c_str()); }};
}

void MacSnAllocator::ReleaseSheetRow(int channel, Allocation& a) {
    if (a.sheetRow < 0) return;
    const SheetEnvironment env = SheetEnv(channel);
    station::ReleaseSheetRow(a.sheetPath, a.sheetRow, env);
    a.sheetRow = -1;
}

void MacSnAllocator::Finish(int channel, int outcome) {
    std::lock_guard<std::mutex> guard(mutex_);
    Allocation& a = Of(channel);
    if (a.confirmed) return;  // one job confirms its numbers once
    if (outcome != 1) {
        ReleaseSheetRow(channel, a);
        return;
    }
    a.confirmed = true;
    a.staged.clear();
    if (a.macReuse) a.Stage(MACLOCAL_REUSE::CHAN(channel), "");
    if (a.snReuse) a.Stage(SNLOCAL_REUSE::CHAN(channel), "");
    if (!a.staged.empty()) WriteSettings(channel, a.staged);
    if (!database_.IsOpen()) return;
    const platform::LocalTime t = platform::LocalTimeNow();
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    const std::string mask = identifier_ + "_" + std::to_string(channel);
    if (!a.sn.empty()) database_.Record(channel, InsertSnSql(date, a.sn, mask), "SQL insert SN error: ", MainLogLine());
    if (!a.mac.empty())
        database_.Record(channel, InsertMacSql(date, a.mac, mask), "SQL insert MAC error: ", MainLogLine());
}

bool MacSnAllocator::IsMacUsed(int channel, const std::string& mac) {
    std::lock_guard<std::mutex> guard(mutex_);
    return IsMacUsedLocked(channel, mac);
}

bool MacSnAllocator::IsMacUsedLocked(int channel, const std::string& mac) {
    return database_.IsMacUsed(channel, mac, MainLogLine());
}

}  // namespace station
