#include "station/engine/state/station_notify.h"

#include <atomic>

#include "station/engine/settings/ini_keys.h"

namespace station {
namespace {

std::atomic<StationNotifyReceiver*>& Receiver() {
    static std::atomic<StationNotifyReceiver*> receiver{nullptr};
    return receiver;
}

bool IsChannel(int32_t n) { return n >= 1 && n <= kChannelCount; }

}  // namespace

void StationNotifyHandler::OnStationNotify(const StationNotify& notify) {
    const int32_t flags = notify.flags;
    if (IsChannel(notify.channel)) {
        if (flags & kNotifyJobFinished) OnJobFinished(notify.channel);
        if (flags & kNotifyDisableCheckBox) OnCheckBoxEnabled(notify.channel, false);
        if (flags & kNotifyEnableCheckBox) OnCheckBoxEnabled(notify.channel, true);
    }
    if (flags & kNotifyScreenshot) OnScreenshot();
    if (flags & kNotifyRefreshPanels) {
        for (int channel = 1; channel <= kChannelCount; ++channel) {
            if (notify.channel & RefreshChannelBit(channel)) OnRefreshPanel(channel);
        }
    }
}

void SetStationNotifyReceiver(StationNotifyReceiver* receiver) { Receiver().store(receiver); }

void SendStationNotify(const StationNotify& notify) {
    if (StationNotifyReceiver* receiver = Receiver().load()) receiver->OnStationNotify(notify);
}

}  // namespace station
