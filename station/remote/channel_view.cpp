#include "station/remote/channel_view.h"

#include <nlohmann/json.hpp>

#include "station/engine/jobs/station_engine.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"

namespace station::remote {

namespace {

const char* StatusName(int32_t status) {
    switch (status) {
    case kStatusRunning: return "running";
    case kStatusMonitoring: return "monitoring";
    case kStatusFail: return "fail";
    case kStatusPass: return "pass";
    default: return "idle";
    }
}

nlohmann::ordered_json ToJson(const ChannelView& v) {
    return {{"channel", v.channel}, {"enabled", v.enabled}, {"port", v.port},       {"status", v.status},
            {"phase", v.phase},     {"percent", v.percent}, {"seconds", v.seconds}, {"verdict", v.verdict},
            {"mac", v.mac},         {"sn", v.sn},           {"cause", v.cause}};
}

std::string Dump(const nlohmann::ordered_json& json) {
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

std::string ChannelJson(const ChannelView& view) { return Dump(ToJson(view)); }

StationView::StationView(StationEngine& engine, ChannelTable& channels, const StationSettings& settings,
                         std::string stationId, std::string version)
    : engine_(engine),
      channels_(channels),
      settings_(settings),
      stationId_(std::move(stationId)),
      version_(std::move(version)) {
    Refresh(true);
}

ChannelView StationView::Take(int channel) {
    const ChannelState& row = channels_[channel];
    ChannelView v;
    v.channel = channel;
    const int32_t status = row.status.load();
    const size_t at = size_t(channel - 1);
    v.enabled = enabled_[at];
    v.port = row.port.Get();
    v.status = StatusName(status);
    v.phase = row.statusText.Get();
    v.percent = row.progress.load();
    v.seconds = row.elapsedSeconds.load();
    v.verdict = status == kStatusPass ? "PASS" : status == kStatusFail ? "FAIL" : over_[at] ? "OVER" : "";
    v.mac = row.macText.Get();
    v.sn = row.snText.Get();
    if (status == kStatusFail || over_[at]) v.cause = row.failCause.Get();
    return v;
}

std::vector<ChannelView> StationView::Refresh(bool rereadSettings) {
    std::array<bool, kChannelCount> enabled{};
    std::string device;
    if (rereadSettings) {
        for (int channel = 1; channel <= kChannelCount; ++channel)
            enabled[size_t(channel - 1)] = settings_.ChannelEnabled(channel);
        device = settings_.DeviceType();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (rereadSettings) {
        enabled_ = enabled;
        device_ = device;
    }
    std::vector<ChannelView> changed;
    std::vector<ChannelView> now;
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const size_t at = size_t(channel - 1);
        const int32_t status = channels_[channel].status.load();
        if (IsBusy(status)) {
            wasBusy_[at] = true;
            over_[at] = false;
        } else if (wasBusy_[at]) {
            wasBusy_[at] = false;
            over_[at] = status == kStatusIdle;
        }
        now.push_back(Take(channel));
        if (last_.size() != now.size() || !(last_[at] == now.back())) changed.push_back(now.back());
    }
    last_ = std::move(now);
    return changed;
}

std::vector<ChannelView> StationView::Channels() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ChannelView> views;
    for (int channel = 1; channel <= kChannelCount; ++channel) views.push_back(Take(channel));
    return views;
}

std::string StationView::ChannelsJson() {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const ChannelView& v : Channels()) list.push_back(ToJson(v));
    return Dump(list);
}

std::string StationView::StationJson() {
    int enabled = 0;
    std::string device;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (bool on : enabled_) enabled += on ? 1 : 0;
        device = device_;
    }
    return Dump({{"station", stationId_},
                 {"function", engine_.Functions().Func()},
                 {"device", device},
                 {"channels", kChannelCount},
                 {"enabled_channels", enabled},
                 {"version", version_},
                 {"running", engine_.AnyActive()}});
}

std::string StationView::StationLine() {
    std::string device;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        device = device_;
    }
    return stationId_ + (device.empty() ? "" : " · " + device) + " · FUNC_TYPE " +
           std::to_string(engine_.Functions().Func()) + " · " + version_;
}

}  // namespace station::remote
