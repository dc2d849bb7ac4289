#include "station/engine/alloc/local_backend.h"

#include "station/engine/alloc/mac_sn_numbers.h"
#include "station/engine/alloc/alloc_messages.h"
#include "station/engine/log/main_log.h"

namespace station {
namespace {

void Stage(std::vector<common::IniEntry>& staged, const KeyName& key, const std::string& value) {
    staged.push_back({key.section, key.key, value});
}

ChannelLogFn MainLogLine() {
    return [](int channel, const std::string& text) { Log(channel, "%s", text.c_str()); };
}

}  // namespace

void LocalBackend::Open() {
    database_.Close();
    if (settings_.Read(COMMON_SET::FACTORY_DB) == 0) return;
    const std::string message = database_.Open(settings_.Root());
    if (!message.empty()) showMessage_(message);
}

TakeOutcome LocalBackend::Take(int channel, const NumberRequest& request, ChannelNumbers& numbers) {
    Staged staged;
    if (request.mac) {
        if (request.givenMac) numbers.mac = FormatMac(*request.givenMac);
        else if (!TakeRangeMac(channel, numbers, staged)) return TakeOutcome::kRefused;
        if (database_.IsOpen() && IsMacUsed(channel, numbers.mac)) return TakeOutcome::kMacUsed;
    }
    if (request.sn && !TakeSn(channel, numbers, staged)) return TakeOutcome::kRefused;
    // Spent before they are handed out: counters and bookkeeping together.
    return WriteSettings(channel, staged) ? TakeOutcome::kTaken : TakeOutcome::kRefused;
}

bool LocalBackend::TakeRangeMac(int channel, ChannelNumbers& numbers, Staged& staged) {
    const TextKey reuseKey = MACLOCAL_REUSE::CHAN(channel);
    const std::string reuse = settings_.Read(reuseKey);
    const std::string endText = settings_.Read(BLE_SET::END_ADDR);
    const auto reused = ParseMac(reuse), end = ParseMac(endText);
    // A failed device's MAC goes to the channel's next device.
    if (reused && end && *reused <= *end) {
        numbers.mac = FormatMac(*reused);
        numbers.macReserved = true;
        return true;
    }
    if (!reuse.empty()) Stage(staged, reuseKey, "");

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
        Log(channel, "%s\n", kMacRangeEndLog);
        showMessage_(kMacRangeEndMessage);
        return false;
    }
    const uint64_t next = *cur + CounterIncrement(settings_.Read(BLE_SET::UP_VALUE));
    Stage(staged, BLE_SET::CUR_ADDR, FormatMac(next));
    Stage(staged, reuseKey, FormatMac(*cur));
    numbers.macReserved = true;
    numbers.mac = FormatMac(*cur);
    return true;
}

bool LocalBackend::TakeSn(int channel, ChannelNumbers& numbers, Staged& staged) {
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
        numbers.snRecord = reuse;
        numbers.sn = digits;
        numbers.snReserved = true;
        return true;
    }
    if (!reuse.empty()) Stage(staged, reuseKey, "");

    const std::string curText = settings_.Read(SN_SET::CUR_VALUE);
    const auto cur = ParseSnCounter(curText, width);
    if (!cur) {
        Log(channel, "SN cur value error :%s\n", curText.c_str());
        return false;
    }
    if (*cur >= SnCounterMaximum(width)) {
        Log(channel, "%s\n", kSnRangeEndLog);
        showMessage_(kSnRangeEndMessage);
        return false;
    }
    const uint64_t next = *cur + CounterIncrement(settings_.Read(SN_SET::UP_VALUE));
    Stage(staged, SN_SET::CUR_VALUE, FormatSnCounter(next, width));
    Stage(staged, reuseKey, prefix + curText);
    numbers.snReserved = true;
    numbers.sn = curText;
    numbers.snRecord = prefix + curText;
    return true;
}

bool LocalBackend::WriteSettings(int channel, const Staged& entries) {
    if (entries.empty() || common::IniWriteStrings(settings_.IniPath(), entries)) return true;
    std::string keys;
    for (const auto& e : entries) keys += " " + e.section + "/" + e.key;
    Log(channel, "Torvane.ini write error:%s\n", keys.c_str());
    return false;
}

void LocalBackend::Confirm(int channel, const ChannelNumbers& numbers, const std::string& date,
                           const std::string& stationTag) {
    Staged staged;
    if (numbers.macReserved) Stage(staged, MACLOCAL_REUSE::CHAN(channel), "");
    if (numbers.snReserved) Stage(staged, SNLOCAL_REUSE::CHAN(channel), "");
    WriteSettings(channel, staged);
    if (!database_.IsOpen()) return;
    if (!numbers.sn.empty())
        database_.Record(channel, InsertSnSql(date, numbers.sn, stationTag), "SQL insert SN error: ", MainLogLine());
    if (!numbers.mac.empty())
        database_.Record(channel, InsertMacSql(date, numbers.mac, stationTag), "SQL insert MAC error: ",
                         MainLogLine());
}

bool LocalBackend::IsMacUsed(int channel, const std::string& mac) {
    return database_.IsMacUsed(channel, mac, MainLogLine());
}

NextNumbers LocalBackend::Next() { return {settings_.Read(BLE_SET::CUR_ADDR), settings_.Read(SN_SET::CUR_VALUE)}; }

}  // namespace station
