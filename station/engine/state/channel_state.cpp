#include "station/engine/state/channel_state.h"

namespace station {

void ChannelState::ResetForJob() {
    status = kStatusIdle;
    elapsedSeconds = 0;
    progress = 0;
    stopRequested = 0;
    burnResult = kResultNotRun;
    crystalResult = kResultNotRun;
    batteryResult = kResultNotRun;
    testResult = kResultNotRun;
    for (TextCell* text : {&btName, &btVersion, &wifiVersion, &swName, &swVersion, &macText, &snText, &failCause}) text->Set("");
    wechatOld = 0;
    wechatModelError = 0;
    thirdFuncResult = 0;
}

bool ChannelTable::AnyBusy() const {
    for (const ChannelState& row : rows_) {
        if (IsBusy(row.status)) return true;
    }
    return false;
}

int32_t ChannelTable::TickElapsed() {
    int32_t refresh = 0;
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        ChannelState& row = (*this)[channel];
        if (!IsBusy(row.status)) continue;
        row.elapsedSeconds += kElapsedTickSeconds;
        refresh |= RefreshChannelBit(channel);
    }
    return refresh;
}

ChannelTable& StationChannels() {
    static ChannelTable table;
    return table;
}

}  // namespace station
