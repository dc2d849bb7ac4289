#pragma once
// The numbers of one station: the counters (CUR_ADDR, CUR_VALUE) and the
// channels' bookkeeping (MACLOCAL_REUSE, SNLOCAL_REUSE) in "Torvane.ini", the
// passed devices' numbers in "factory_data.db" when FACTORY_DB is on.
//
// A number is spent before it is handed out: the advanced counter and the
// channel's bookkeeping entry reach the disk together (one atomic, flushed
// replacement of the settings file).
#include <vector>

#include "common/ini_profile.h"
#include "station/engine/alloc/allocation_backend.h"
#include "station/engine/alloc/factory_database.h"
#include "station/engine/settings/station_settings.h"

namespace station {

class LocalBackend : public AllocationBackend {
public:
    LocalBackend(StationSettings settings, MessageFn showMessage)
        : settings_(std::move(settings)), showMessage_(std::move(showMessage)) {}

    void Open() override;
    bool DuplicateCheckOn() const override { return database_.IsOpen(); }
    TakeOutcome Take(int channel, const NumberRequest& request, ChannelNumbers& numbers) override;
    void Confirm(int channel, const ChannelNumbers& numbers, const std::string& date,
                 const std::string& stationTag) override;
    bool IsMacUsed(int channel, const std::string& mac) override;
    NextNumbers Next() override;

private:
    using Staged = std::vector<common::IniEntry>;
    bool TakeRangeMac(int channel, ChannelNumbers& numbers, Staged& staged);
    bool TakeSn(int channel, ChannelNumbers& numbers, Staged& staged);
    bool WriteSettings(int channel, const Staged& entries);

    StationSettings settings_;
    MessageFn showMessage_;
    FactoryDatabase database_;
};

}  // namespace station
