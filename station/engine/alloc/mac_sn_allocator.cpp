#include "station/engine/alloc/mac_sn_allocator.h"

#include <cstdio>

#include "common/file_util.h"
#include "common/ini_profile.h"
#include "common/parse_number.h"
#include "platform/durable_file.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "platform/random.h"
#include "station/engine/alloc/backend_choice.h"
#include "station/engine/alloc/local_backend.h"
#include "station/engine/alloc/mac_sn_numbers.h"
#include "station/engine/alloc/mac_spreadsheet.h"
#include "station/engine/alloc/station_identifier.h"
#include "station/engine/burnlist/station_burn_list.h"
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

}  // namespace

MacSnAllocator::MacSnAllocator(StationSettings settings, MessageFn showMessage, platform::Clock& clock,
                               ChannelTable& channels)
    : settings_(std::move(settings)),
      showMessage_(std::move(showMessage)),
      clock_(clock),
      channels_(channels),
      backend_(std::make_unique<LocalBackend>(settings_, showMessage_)) {}

void MacSnAllocator::OpenFactoryDatabase() {
    std::lock_guard<std::mutex> guard(mutex_);
    backend_ = MakeAllocationBackend(settings_, showMessage_);
    backend_->Open();
}

bool MacSnAllocator::SharedPool() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return !backend_->TakesOutsideMacs();
}

bool MacSnAllocator::DuplicateCheckOn() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return backend_->DuplicateCheckOn();
}

void MacSnAllocator::UseBackend(std::unique_ptr<AllocationBackend> backend) {
    std::lock_guard<std::mutex> guard(mutex_);
    backend_ = std::move(backend);
}

NextNumbers MacSnAllocator::Next() {
    std::lock_guard<std::mutex> guard(mutex_);
    return backend_->Next();
}

void MacSnAllocator::MakeStationIdentifier(const std::string& sysClassNet) {
    identifier_ = station::MakeStationIdentifier(sysClassNet);
}

void MacSnAllocator::ArmMessages() { messagesArmed_ = true; }

void MacSnAllocator::ShowOnce(const char* message) {
    if (!messagesArmed_.exchange(false)) return;
    showMessage_(message);
}

// The station's files need every channel to take turns; a pool serves each
// channel on its own, so its channels wait only for the server.
std::unique_lock<std::mutex> MacSnAllocator::LockFor(int channel) const {
    std::mutex& channelLock = channelLocks_.at(size_t(channel - 1));
    return std::unique_lock<std::mutex>(backend_->ChannelsIndependent() ? channelLock : mutex_);
}

MacSnAllocator::Allocation& MacSnAllocator::Of(int channel) { return allocations_.at(size_t(channel - 1)); }
const MacSnAllocator::Allocation& MacSnAllocator::Of(int channel) const { return allocations_.at(size_t(channel - 1)); }

std::string MacSnAllocator::TempPath(const char* format, int channel) const {
    char name[64];
    std::snprintf(name, sizeof name, format, channel);
    return platform::JoinPath(settings_.Root(), name);
}

std::string MacSnAllocator::FactoryDataPath(int channel) const { return TempPath("temp/BLE_SN_%d.bin", channel); }

std::string MacSnAllocator::MacText(int channel) const {
    const auto guard = LockFor(channel);
    return Of(channel).numbers.mac;
}

std::string MacSnAllocator::SnText(int channel) const {
    const auto guard = LockFor(channel);
    return Of(channel).numbers.sn;
}

void MacSnAllocator::Publish(int channel, const Allocation& a) {
    channels_[channel].macText.Set(a.numbers.mac);
    channels_[channel].snText.Set(a.numbers.sn);
}

int MacSnAllocator::BuildFactoryData(int channel) {
    const auto guard = LockFor(channel);
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
    if (!ListReservesFactoryData(channel, list)) return false;
    std::remove(TempPath("temp/FactoryData_%d.bin", channel).c_str());
    std::remove(FactoryDataPath(channel).c_str());

    // Names and keys first: a text the device cannot take must not cost numbers.
    std::vector<common::OtpRecord> records, texts;
    if (!NameAndKeyRecords(channel, texts)) return false;
    // Spent before they are handed out: the backend books the numbers to
    // the channel before the file exists.
    if (!TakeNumbers(channel, a, records)) return false;
    records.insert(records.end(), texts.begin(), texts.end());
    if (!WriteFactoryData(channel, records)) return false;

    // Entry 0 of the channel's list is its own factory-data file.
    list = common::IniSetString(list, "FILEINFO", "FILE0", FactoryDataPath(channel));
    list = common::IniSetString(list, "FILEINFO", "ADDR0", kFactoryDataAddress);
    return WriteChannelBurnList(channel, list);
}

// Entry 0 may become the channel's factory data only where the station list
// reserved it: a list made while factory data was off has the first image
// there, which the factory data would replace unseen.
bool MacSnAllocator::ListReservesFactoryData(int channel, const std::string& list) {
    const std::string file = common::IniTextReadString(list, "FILEINFO", "FILE0");
    const std::string address = common::IniTextReadString(list, "FILEINFO", "ADDR0");
    if (file == kFactoryDataEntryFile &&
        common::ParseNumber(address) == common::ParseNumber(kFactoryDataEntryAddress))
        return true;
    Log(channel, "%s (FILE0=%s ADDR0=%s)\n", kListWithoutFactoryDataEntry, file.c_str(), address.c_str());
    return false;
}

bool MacSnAllocator::WriteChannelBurnList(int channel, const std::string& list) {
    const std::string path = station::ChannelBurnListPath(settings_.Root(), channel);
    // Not flushed: a list lost in a crash is made again by the next build.
    if (platform::ReplaceFile(path, std::vector<uint8_t>(list.begin(), list.end()), false)) return true;
    Log(channel, "write %s error\n", path.c_str());
    return false;
}

// The plain copy comes first, as it also shows that the temp directory can
// be written before any number is spent.
bool MacSnAllocator::CopyBurnList(int channel, std::string& list) {
    std::vector<uint8_t> bytes;
    const std::string from = station::StationBurnListPath(settings_.Root());
    if (!common::ReadWholeFile(from, bytes)) {
        Log(channel, "read %s error\n", from.c_str());
        return false;
    }
    list.assign(bytes.begin(), bytes.end());
    return WriteChannelBurnList(channel, list);
}

// A MAC from outside the range: random or from the spreadsheet.
bool MacSnAllocator::OutsideMac(int channel, Allocation& a, NumberRequest& request) {
    if (settings_.Read(BLE_SET::RANDOM_FLAG)) {
        // Two fixed high bytes and 32 bits from the system's random source.
        const std::string maskText = settings_.Read(BLE_SET::MASK_ADDR);
        uint64_t mask = 0;
        if (!ParseMacMask(maskText, mask)) {
            Log(channel, "BLE mask addr error :%s\n", maskText.c_str());
            return false;
        }
        request.givenMac = (mask << 32) | platform::RandomU32();
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
        request.givenMac = *value;
    }
    return true;
}

bool MacSnAllocator::TakeNumbers(int channel, Allocation& a, std::vector<common::OtpRecord>& records) {
    NumberRequest request;
    request.mac = settings_.Read(BLE_SET::ENABLE_FLAG);
    request.sn = settings_.Read(SN_SET::ENABLE_FLAG);
    const bool outside = settings_.Read(BLE_SET::RANDOM_FLAG) || settings_.Read(BLE_SET::MAC_FLIE_FLAG);
    if (request.mac && outside && !backend_->TakesOutsideMacs()) {
        // A random or listed MAC would bypass the pool that the stations share.
        Log(channel, "%s\n", kPoolOutsideMacLog);
        ShowOnce(kPoolOutsideMacMessage);
        return false;
    }
    if (request.mac && !OutsideMac(channel, a, request)) return false;
    switch (backend_->Take(channel, request, a.numbers)) {
    case TakeOutcome::kTaken: break;
    case TakeOutcome::kMacUsed:
        Log(channel, "MAC 已经使用过, 请确认\n");
        ReleaseSheetRow(channel, a);
        ShowOnce(kMacUsedMessage);
        a.numbers = {};
        return false;
    case TakeOutcome::kRefused: return false;
    }
    if (!a.numbers.mac.empty()) records.push_back(MacRecord(*ParseMac(a.numbers.mac)));
    if (request.sn) records.push_back(TextRecord(common::FACTORY_CFG_ID_SN, a.numbers.snRecord));
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
    const auto guard = LockFor(channel);
    Allocation& a = Of(channel);
    if (a.confirmed) return;  // one job confirms its numbers once
    if (outcome != 1) {
        ReleaseSheetRow(channel, a);
        return;
    }
    a.confirmed = true;
    const platform::LocalTime t = platform::LocalTimeNow();
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    backend_->Confirm(channel, a.numbers, date, identifier_ + "_" + std::to_string(channel));
}

bool MacSnAllocator::IsMacUsed(int channel, const std::string& mac) {
    const auto guard = LockFor(channel);
    return backend_->IsMacUsed(channel, mac);
}

}  // namespace station
