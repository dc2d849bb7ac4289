#pragma once
// What the channel threads (and the elapsed-time tick) ask the front end to
// do. The record is delivered synchronously on the sender's thread, so it
// may live on the sender's stack; a receiver must never wait for a channel
// thread (it would wait for the thread that is waiting for it).
#include <cstdint>

namespace station {

enum StationNotifyFlag : int32_t {
    kNotifyJobFinished = 1,     // record the job's result and refresh its display
    kNotifyDisableCheckBox = 2,
    kNotifyEnableCheckBox = 4,
    kNotifyScreenshot = 8,      // capture the main window
    kNotifyRefreshPanels = 16,  // `channel` holds RefreshChannelBit of each channel
};

// Sent by every job end with the channel's number.
inline constexpr int32_t kNotifyJobEnd = kNotifyJobFinished | kNotifyEnableCheckBox;

constexpr int32_t RefreshChannelBit(int channel) { return int32_t(256u << channel); }

struct StationNotify {
    int32_t flags = 0;
    int32_t channel = 0;
};

// Implemented by both front ends.
class StationNotifyReceiver {
public:
    virtual ~StationNotifyReceiver() = default;
    virtual void OnStationNotify(const StationNotify& notify) = 0;
};

// A receiver that decodes the flag bits, in the order 1, 2, 4, 8, 16, into
// one call each. Channel-numbered calls are made only for channels 1..16.
class StationNotifyHandler : public StationNotifyReceiver {
public:
    void OnStationNotify(const StationNotify& notify) final;

protected:
    virtual void OnJobFinished(int channel) = 0;
    virtual void OnCheckBoxEnabled(int channel, bool enabled) = 0;
    virtual void OnScreenshot() = 0;
    virtual void OnRefreshPanel(int channel) = 0;
};

// The process-wide receiver (null: notifications are dropped). Install it
// before the channel threads start; remove it only after they stopped.
void SetStationNotifyReceiver(StationNotifyReceiver* receiver);
void SendStationNotify(const StationNotify& notify);
inline void SendStationNotify(int32_t flags, int32_t channel) { SendStationNotify(StationNotify{flags, channel}); }

}  // namespace station
