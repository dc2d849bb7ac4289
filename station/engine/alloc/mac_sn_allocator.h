#pragma once
// MAC and serial-number allocation: before a burn, each channel gets its
// numbers, a factory-data file holding them and its own copy of the station
// burn list pointing at that file; after the download the numbers are
// confirmed (database rows, bookkeeping cleared) or kept for the channel's
// next device.
//
// A number is spent before it is handed out: the advanced counter and the
// channel's bookkeeping entry reach the disk together (one atomic, flushed
// replacement of the settings file), and only then is the factory-data file
// written. A crash at any instant leaves at worst a number that no device
// got, never one that two devices get.
#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/ini_profile.h"
#include "common/otp_record_file.h"
#include "platform/clock.h"
#include "station/engine/alloc/factory_database.h"
#include "station/engine/alloc/mac_spreadsheet.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"

namespace station {

// Messages of the allocation, exactly as the operator sees them.
inline constexpr const char* kMacTakeFailedMessage = "MAC 获取失败, 请确认！";
inline constexpr const char* kMacUsedMessage = "MAC 已经使用过, 请确认！";
inline constexpr const char* kMacRangeEndMessage = "x BLE cur addr > end addr error!";
inline constexpr const char* kSnRangeEndMessage = "x SN cur addr is greate equal to 99999999 error";

// Where entry 0 of a channel's burn list puts the factory data.
inline constexpr const char* kFactoryDataAddress = "0x1000e000";

class MacSnAllocator {
public:
    using MessageFn = std::function<void(const std::string& message)>;

    // showMessage: a message box (the headless station prints it and logs it).
    MacSnAllocator(StationSettings settings, MessageFn showMessage, platform::Clock& clock = platform::SystemClock(),
                   ChannelTable& channels = StationChannels());

    // Start-up: with FACTORY_DB on, opens the database; a failed check shows
    // its message and leaves the duplicate check off for this run.
    void OpenFactoryDatabase();
    bool DuplicateCheckOn() const { return database_.IsOpen(); }

    // Start-up: the identifier that tags database rows ("<id>_<channel>").
    void MakeStationIdentifier(const std::string& sysClassNet = "/sys/class/net");
    void SetStationIdentifier(std::string identifier) { identifier_ = std::move(identifier); }
    const std::string& StationIdentifier() const { return identifier_; }

    // Every start command (one channel or all) allows each of the two MAC
    // messages once more; the first box shown uses the allowance up.
    void ArmMessages();

    // Before a burn: numbers, factory-data file and the channel's burn list.
    // Returns 1, or 0 when the job must not download.
    int BuildFactoryData(int channel);

    // After the download: outcome 1 confirms the numbers (bookkeeping
    // cleared, database rows written), 0 keeps them for the channel's next
    // device and gives a spreadsheet MAC back.
    void Finish(int channel, int outcome);

    // Whether the database holds a row with this MAC (0 without a database).
    bool IsMacUsed(int channel, const std::string& mac);

    // The numbers given to the channel's device in its current job.
    std::string MacText(int channel) const;
    std::string SnText(int channel) const;

    std::string FactoryDataPath(int channel) const;   // <root>/temp/BLE_SN_<c>.bin
    std::string ChannelBurnListPath(int channel) const;  // <root>/temp/ImgBurnList_<c>.txt
    std::string StationBurnListPath() const;          // <root>/temp/ImgBurnList.txt

private:
    struct Allocation {
        bool macReuse = false;  // the MAC sits in MACLOCAL_REUSE for this job
        bool snReuse = false;   // the SN sits in SNLOCAL_REUSE for this job
        int sheetRow = -1;      // spreadsheet row of the MAC, -1 when none
        std::string sheetPath;
        std::string mac, sn;    // MAC and SN texts (SN without its prefix)
        bool confirmed = false;
        // Counter and bookkeeping changes of the build, written in one go.
        std::vector<common::IniEntry> staged;
        void Stage(const KeyName& key, const std::string& value) { staged.push_back({key.section, key.key, value}); }
    };

    bool Build(int channel, Allocation& a);
    bool CopyBurnList(int channel, std::string& list);
    bool WriteChannelBurnList(int channel, const std::string& list);
    bool AllocateMac(int channel, Allocation& a, std::vector<common::OtpRecord>& records);
    bool TakeRangeMac(int channel, Allocation& a, uint64_t& mac);
    bool AllocateSn(int channel, Allocation& a, std::vector<common::OtpRecord>& records);
    bool NameAndKeyRecords(int channel, std::vector<common::OtpRecord>& records);
    bool WriteFactoryData(int channel, const std::vector<common::OtpRecord>& records);
    void ReleaseSheetRow(int channel, Allocation& a);
    SheetEnvironment SheetEnv(int channel) const;
    bool WriteSettings(int channel, const std::vector<common::IniEntry>& entries);
    bool IsMacUsedLocked(int channel, const std::string& mac);
    void ShowOnce(const char* message);
    void Publish(int channel, const Allocation& a);
    Allocation& Of(int channel);
    const Allocation& Of(int channel) const;
    std::string TempPath(const char* format, int channel) const;

    StationSettings settings_;
    MessageFn showMessage_;
    platform::Clock& clock_;
    ChannelTable& channels_;
    FactoryDatabase database_;
    std::string identifier_;
    bool messagesArmed_ = false;
    std::array<Allocation, kChannelCount> allocations_;
    // The MAC/SN lock: build and finish of all channels, and with them the
    // counters, the bookkeeping entries, the spreadsheet and the database.
    mutable std::mutex mutex_;
};

}  // namespace station
