#pragma once
// The per-channel state shared by the sixteen channel threads, the tool
// runners and the front ends. Number cells are lock-free 32-bit atomics: one
// side writes, the other polls. Texts are TextCells, replaced whole.
#include <array>
#include <atomic>
#include <cstdint>

#include "station/engine/settings/ini_keys.h"
#include "station/engine/state/auto_reset_event.h"
#include "station/engine/state/station_notify.h"
#include "station/engine/state/text_cell.h"

namespace station {

enum ChannelStatus : int32_t {
    kStatusIdle = 0,        // also after a stop during monitoring (verdict OVER)
    kStatusRunning = 1,
    kStatusMonitoring = 2,  // waiting for the device to appear in boot mode
    kStatusFail = 3,
    kStatusPass = 4,
};

// Running and monitoring channels are busy for every user-interface rule.
constexpr bool IsBusy(int32_t status) { return status == kStatusRunning || status == kStatusMonitoring; }

// Outcome cells of a step: 1 pass, -1 fail, 0 not run.
inline constexpr int32_t kResultPass = 1;
inline constexpr int32_t kResultFail = -1;
inline constexpr int32_t kResultNotRun = 0;

inline constexpr const char* kNoPort = "null";
// The PCBA runner keeps at most 48 characters of each reported text.
inline constexpr size_t kPcbaTextChars = 48;
inline constexpr size_t kFailCauseChars = 200;

struct ChannelState {
    std::atomic<int32_t> stopRequested{0};   // set by the UI, cleared by the thread at job end
    std::atomic<int32_t> progress{0};        // 0..100 of the current step
    std::atomic<int32_t> elapsedSeconds{0};  // advanced by the 2000 ms tick while busy
    std::atomic<int32_t> status{kStatusIdle};
    std::atomic<int32_t> singleStart{0};  // started by the channel's own button
    std::atomic<int32_t> loadRamNext{0};  // next UART step loads the RAM loader first
    TextCell statusText{40};              // phase text of the channel panel
    std::atomic<int32_t> burnResult{kResultNotRun};
    std::atomic<int32_t> crystalResult{kResultNotRun};
    std::atomic<int32_t> batteryResult{kResultNotRun};
    std::atomic<int32_t> testResult{kResultNotRun};
    std::atomic<int32_t> testExitCode{0};  // exit code of the last PCBA test step
    TextCell macText{20};
    TextCell snText{40};
    // Why the channel's last job ended FAIL or OVER, one line for the
    // operator (empty while a job runs and after a PASS). The channel's
    // thread writes it before the verdict; any thread reads a copy with
    // failCause.Get().
    TextCell failCause{kFailCauseChars};

    // The channel's port field: a serial port (UART) or J-Link serial number;
    // kNoPort when the channel has none.
    TextCell port{40, kNoPort};

    // What the PCBA runner collected from the test tool.
    TextCell btName{kPcbaTextChars};
    TextCell btVersion{kPcbaTextChars};
    TextCell wifiVersion{kPcbaTextChars};
    TextCell swName{kPcbaTextChars};
    TextCell swVersion{kPcbaTextChars};
    std::atomic<int32_t> wechatOld{0};         // old payment-module firmware
    std::atomic<int32_t> wechatModelError{0};  // payment-module model error
    std::atomic<int32_t> thirdFuncResult{0};   // extra-function result
    // The GPS runner's information label.
    TextCell gpsInfo{100};

    // The reset made before a start: status, times, progress, stop, the four
    // results, the PCBA texts, the MAC/SN texts and the failure cause.
    void ResetForJob();
};

class ChannelTable {
public:
    // Channels are numbered 1..16; any other number throws std::out_of_range.
    ChannelState& operator[](int channel) { return rows_.at(size_t(channel - 1)); }
    const ChannelState& operator[](int channel) const { return rows_.at(size_t(channel - 1)); }
    // Auto-reset, initially clear: signalled to start the channel's job.
    AutoResetEvent& channelStartEvent(int channel) { return events_.at(size_t(channel - 1)); }

    bool AnyBusy() const;
    // The elapsed-time tick: adds 2 seconds to every busy channel. Returns
    // the panel refresh mask of those channels (RefreshChannelBit of each).
    int32_t TickElapsed();

private:
    std::array<ChannelState, kChannelCount> rows_;
    std::array<AutoResetEvent, kChannelCount> events_;
};

inline constexpr int kElapsedTickMs = 2000;
inline constexpr int kElapsedTickSeconds = 2;

// The station's one table.
ChannelTable& StationChannels();

}  // namespace station
