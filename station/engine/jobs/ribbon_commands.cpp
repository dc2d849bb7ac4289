#include "station/engine/jobs/ribbon_commands.h"

#include "station/engine/jobs/function_selection.h"
#include "station/engine/jobs/function_type.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"

namespace station {

RibbonAvailability RibbonRules(const ChannelTable& channels, bool locked, int funcType) {
    bool anyIdle = false;
    for (int channel = 1; channel <= kChannelCount; ++channel)
        if (!IsBusy(channels[channel].status.load())) anyIdle = true;
    const bool anyBusy = channels.AnyBusy();
    RibbonAvailability rules;
    rules.runAll = anyIdle;
    rules.stopAll = anyBusy;
    rules.idleOnly = !anyBusy;
    rules.parameters = !anyBusy && !locked;
    rules.caliItems = !anyBusy && !locked && (funcType & kFuncCalibrate);
    rules.eraseItems = !anyBusy && !locked && (funcType & kFuncErase);
    return rules;
}

void ToggleCalibrationBit(FunctionSelection& functions, const StationSettings& settings, int bit) {
    functions.SetCali(functions.Cali() ^ bit);
    settings.Write(COMMON_SET::CALI_TYPE, functions.Cali());
}

void ToggleTestBit(FunctionSelection& functions, const StationSettings& settings, int bit) {
    functions.SetTest(functions.Test() ^ bit);
    settings.Write(COMMON_SET::TEST_TYPE, functions.Test());
}

void ToggleEraseBit(FunctionSelection& functions, const StationSettings& settings, int bit) {
    int mask = functions.Erase() ^ bit;
    if ((mask & bit) && bit == kEraseWholeFlash) mask &= ~(kEraseFactoryArea | kEraseNonFactoryArea);
    if ((mask & bit) && bit == kEraseNonFactoryArea) mask &= ~kEraseWholeFlash;
    functions.SetErase(mask);
    settings.WriteEraseMask(functions.Func(), mask);
}

bool ToggleAllChannels(const StationSettings& settings) {
    bool anyClear = false;
    for (int channel = 1; channel <= kChannelCount; ++channel)
        if (!settings.ChannelEnabled(channel)) anyClear = true;
    for (int channel = 1; channel <= kChannelCount; ++channel) settings.Write(CHAN_SET::CH(channel), anyClear);
    return anyClear;
}

bool ToggleLock(const StationSettings& settings) {
    const bool locked = !settings.Read(COMMON_SET::PROTECT);
    settings.Write(COMMON_SET::PROTECT, locked);
    return locked;
}

void SelectMonitorMode(const StationSettings& settings, int mode) { settings.Write(COMMON_SET::MODE_TYPE, mode); }

void ClearChannelStatus(ChannelTable& channels) {
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        ChannelState& row = channels[channel];
        if (!IsBusy(row.status.load())) row.ResetForJob();
    }
}

}  // namespace station
