#pragma once
// MAC and serial-number allocation: before a burn, each channel gets its
// numbers, a factory-data file holding them and its own copy of the station
// burn list pointing at that file; after the download the numbers are
// confirmed (database rows, bookkeeping cleared) or kept for the channel's
// next device. The range numbers and their bookkeeping live in a backend:
// the station's own files, or a pool shared by several stations.
//
// A number is spent before it is handed out: the backend books it durably,
// and only then is the factory-data file written. A crash at any instant
// leaves at worst a number that no device got, never one that two devices get.
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/ini_profile.h"
#include "common/otp_record_file.h"
#include "platform/clock.h"
#include "station/engine/alloc/alloc_messages.h"
#include "station/engine/alloc/allocation_backend.h"
#include "station/engine/alloc/mac_spreadsheet.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"

namespace station {

// Where entry 0 of a channel's burn list puts the factory data.
inline constexpr const char* kFactoryDataAddress = "0x1000e000";

class MacSnAllocator {
public:
    using MessageFn = std::function<void(const std::string& message)>;

    // showMessage: a message box (the headless station prints it and logs it).
    MacSnAllocator(StationSettings settings, MessageFn showMessage, platform::Clock& clock = platform::SystemClock(),
                   ChannelTable& channels = StationChannels());

    // Start-up: picks the backend that [POOL] names and opens it. The local
    // one opens the database when FACTORY_DB is on; a failed check shows its
    // message and leaves the duplicate check off for this run.
    void OpenFactoryDatabase();
    bool DuplicateCheckOn() const;
    // Replaces the backend (tests and benchmarks).
    void UseBackend(std::unique_ptr<AllocationBackend> backend);

    // The next numbers as the station shows them (CUR_ADDR, CUR_VALUE).
    NextNumbers Next();
    // Whether the numbers come from a pool shared by several stations.
    bool SharedPool() const;

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

private:
    struct Allocation {
        ChannelNumbers numbers;  // MAC and SN texts (SN without its prefix), booked or not
        int sheetRow = -1;       // spreadsheet row of the MAC, -1 when none
        std::string sheetPath;
        bool confirmed = false;
    };

    bool Build(int channel, Allocation& a);
    bool CopyBurnList(int channel, std::string& list);
    bool ListReservesFactoryData(int channel, const std::string& list);
    bool WriteChannelBurnList(int channel, const std::string& list);
    bool OutsideMac(int channel, Allocation& a, NumberRequest& request);
    bool TakeNumbers(int channel, Allocation& a, std::vector<common::OtpRecord>& records);
    bool NameAndKeyRecords(int channel, std::vector<common::OtpRecord>& records);
    bool WriteFactoryData(int channel, const std::vector<common::OtpRecord>& records);
    void ReleaseSheetRow(int channel, Allocation& a);
    SheetEnvironment SheetEnv(int channel) const;
    void ShowOnce(const char* message);
    void Publish(int channel, const Allocation& a);
    Allocation& Of(int channel);
    const Allocation& Of(int channel) const;
    std::string TempPath(const char* format, int channel) const;

    StationSettings settings_;
    MessageFn showMessage_;
    platform::Clock& clock_;
    ChannelTable& channels_;
    std::unique_ptr<AllocationBackend> backend_;
    std::string identifier_;
    std::atomic<bool> messagesArmed_{false};
    std::array<Allocation, kChannelCount> allocations_;
    // The MAC/SN lock: build and finish of all channels, and with them the
    // backend, the spreadsheet and the files of the channels. With a backend
    // whose channels are independent, each channel takes only its own lock;
    // the backend is then chosen at start-up, before any channel runs.
    mutable std::mutex mutex_;
    mutable std::array<std::mutex, kChannelCount> channelLocks_;
    std::unique_lock<std::mutex> LockFor(int channel) const;
};

}  // namespace station
