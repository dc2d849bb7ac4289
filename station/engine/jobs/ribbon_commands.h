#pragma once
// The ribbon's rules: when each command may run, and the bit toggles and
// switches that write their keys at once (the station restarts as it was left).
#include "station/engine/settings/ini_keys.h"

namespace station {

class ChannelTable;
class FunctionSelection;
class StationSettings;

struct RibbonAvailability {
    bool runAll = false;      // some channel is idle
    bool stopAll = false;     // some channel works
    bool idleOnly = false;    // select all, scan, clear: no channel works
    bool parameters = false;  // no channel works and not locked
    bool caliItems = false;   // the calibration toggles and their window
    bool eraseItems = false;  // the erase toggles
};

RibbonAvailability RibbonRules(const ChannelTable& channels, bool locked, int funcType);

// Flip one bit of the mask and write the whole mask as "%d".
void ToggleCalibrationBit(FunctionSelection& functions, const StationSettings& settings, int bit);
void ToggleTestBit(FunctionSelection& functions, const StationSettings& settings, int bit);
// Setting the whole-flash bit clears the area bits; setting the
// non-production area bit clears the whole-flash bit.
void ToggleEraseBit(FunctionSelection& functions, const StationSettings& settings, int bit);

// "全选": when any channel box is clear, all are ticked, else all are cleared;
// returns the new state of every box.
bool ToggleAllChannels(const StationSettings& settings);
// The lock; returns the new state.
bool ToggleLock(const StationSettings& settings);
// Monitoring mode 0 none, 1 once, 2 loop.
void SelectMonitorMode(const StationSettings& settings, int mode);

// "清除": every idle channel's row back to its state before a job.
void ClearChannelStatus(ChannelTable& channels);

}  // namespace station
