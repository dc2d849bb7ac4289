#pragma once
// What the network shows of a channel and of the station, taken from the
// engine's state (never from Torvane.ini per request), as JSON.
#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "station/engine/settings/ini_keys.h"

namespace station {
class ChannelTable;
class StationEngine;
class StationSettings;
}  // namespace station

namespace station::remote {

struct ChannelView {
    int channel = 0;
    bool enabled = false;
    std::string port, status, phase, verdict, mac, sn, cause;
    int percent = 0, seconds = 0;
    bool operator==(const ChannelView&) const = default;
};

std::string ChannelJson(const ChannelView& view);

// The channel table as the network sees it. The settings a view needs (the
// enable boxes, the device type) are read by Refresh, which the event
// stream's 200 ms comparison calls, and kept; a request reads the engine's
// state and these copies only.
class StationView {
public:
    StationView(StationEngine& engine, ChannelTable& channels, const StationSettings& settings,
                std::string stationId, std::string version);

    // Re-reads the kept settings (every few seconds) and notes verdicts.
    // Returns the channels whose view changed since the last call.
    std::vector<ChannelView> Refresh(bool rereadSettings);

    std::vector<ChannelView> Channels();
    std::string ChannelsJson();
    std::string StationJson();
    // One line for the page's header: identifier, device type, function, version.
    std::string StationLine();

private:
    ChannelView Take(int channel);

    StationEngine& engine_;
    ChannelTable& channels_;
    const StationSettings& settings_;
    const std::string stationId_, version_;
    std::mutex mutex_;
    std::array<bool, kChannelCount> enabled_{};
    std::string device_;
    // A channel whose job ended while monitoring shows OVER until it starts again.
    std::array<bool, kChannelCount> wasBusy_{};
    std::array<bool, kChannelCount> over_{};
    std::vector<ChannelView> last_;
};

}  // namespace station::remote
