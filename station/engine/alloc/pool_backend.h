#pragma once
// The numbers of a pool that several stations share on a PostgreSQL server:
// the counters, the numbers booked to each station's channels and the passed
// devices' numbers all live on the server; the station keeps nothing of them
// but the passes the server could not take yet (PendingPasses).
//
// Each allocation is one call of the server's torvane_take, which locks the
// pool's counter row, books the numbers to (station, channel) and advances
// the counters in one transaction. A call whose answer is lost is simply
// made again: the channel then gets the numbers it had just been booked.
// Every channel has its own connection, so the channels of all stations
// wait for each other only on the server's counter row, and their commits
// reach the server's disk together.
#include <array>
#include <mutex>
#include <vector>

#include "station/engine/alloc/allocation_backend.h"
#include "station/engine/alloc/pool_config.h"
#include "station/engine/alloc/pool_connection.h"
#include "station/engine/alloc/pool_pending.h"
#include "station/engine/settings/station_settings.h"

namespace station {

class PoolBackend : public AllocationBackend {
public:
    PoolBackend(StationSettings settings, MessageFn showMessage)
        : settings_(std::move(settings)), showMessage_(std::move(showMessage)) {}

    // Reads [POOL] (making STATION_ID the first time) and connects. A server
    // that does not answer is shown; jobs then fail at their start until it does.
    void Open() override;
    bool DuplicateCheckOn() const override { return true; }
    bool TakesOutsideMacs() const override { return false; }
    bool ChannelsIndependent() const override { return true; }
    TakeOutcome Take(int channel, const NumberRequest& request, ChannelNumbers& numbers) override;
    void Confirm(int channel, const ChannelNumbers& numbers, const std::string& date,
                 const std::string& stationTag) override;
    bool IsMacUsed(int channel, const std::string& mac) override;
    NextNumbers Next() override;

    const PoolConfig& Config() const { return config_; }

private:
    // Connected to a server with this station's schema; logs why not.
    bool Ready(int channel);
    // One statement; a lost connection is made again and the statement
    // repeated once. Failures are logged.
    PoolResult Call(int channel, const std::string& sql, const std::vector<PoolParam>& params);
    bool RecordPass(int channel, const PendingPass& pass);
    // The channel's waiting passes go to the server first; false while any waits.
    bool ReplayPending(int channel);
    void LogPool(int channel, const std::string& text);

    // A channel's own connection; link 0 serves start-up and the counters
    // shown, under its lock.
    struct Link {
        PoolConnection db;
        bool schemaChecked = false;
        std::string problem;  // the last line logged
        // Passes that could not even be written to the pending file.
        std::vector<PendingPass> unsaved;
    };

    StationSettings settings_;
    MessageFn showMessage_;
    PoolConfig config_;  // set at start-up, read-only afterwards
    std::string configProblem_ = "not opened";
    std::array<Link, kChannelCount + 1> links_;
    std::mutex sharedLink_;
    NextNumbers next_;
};

}  // namespace station
