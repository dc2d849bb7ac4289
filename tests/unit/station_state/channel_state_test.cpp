#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "station/engine/state/channel_state.h"
#include "station/engine/state/station_notify.h"

namespace {

using namespace station;

// Records the decoded calls in order.
class RecordingHandler : public StationNotifyHandler {
public:
    std::vector<std::string> calls;

protected:
    void OnJobFinished(int channel) override { calls.push_back("finished " + std::to_string(channel)); }
    void OnCheckBoxEnabled(int channel, bool enabled) override {
        calls.push_back(std::string(enabled ? "enable " : "disable ") + std::to_string(channel));
    }
    void OnScreenshot() override { calls.push_back("screenshot"); }
    void OnRefreshPanel(int channel) override { calls.push_back("refresh " + std::to_string(channel)); }
};

TEST(StationNotify, FlagsAreRoutedToTheFrontEnd) {
    RecordingHandler handler;
    SetStationNotifyReceiver(&handler);
    SendStationNotify(kNotifyRefreshPanels, RefreshChannelBit(3) | RefreshChannelBit(5));
    SendStationNotify(kNotifyJobEnd, 16);
    SendStationNotify(kNotifyDisableCheckBox, 1);
    SendStationNotify(kNotifyScreenshot, 0);
    SendStationNotify(kNotifyRefreshPanels | kNotifyJobFinished, 7);  // a channel number is no refresh mask
    SendStationNotify(kNotifyRefreshPanels, RefreshChannelBit(16) | 1);
    SetStationNotifyReceiver(nullptr);
    SendStationNotify(kNotifyJobEnd, 2);  // no front end: dropped

    EXPECT_EQ(handler.calls, (std::vector<std::string>{"refresh 3", "refresh 5", "finished 16", "enable 16",
                                                       "disable 1", "screenshot", "finished 7", "refresh 16"}));
}

TEST(ChannelState, TickAdvancesBusyChannelsOnlyAndStartResetsTheRow) {
    ChannelTable table;
    table[1].status = kStatusRunning;
    table[2].status = kStatusMonitoring;
    table[3].status = kStatusFail;
    table[4].status = kStatusPass;
    EXPECT_TRUE(table.AnyBusy());
    EXPECT_EQ(table.TickElapsed(), RefreshChannelBit(1) | RefreshChannelBit(2));
    EXPECT_EQ(table.TickElapsed(), RefreshChannelBit(1) | RefreshChannelBit(2));
    EXPECT_EQ(table[1].elapsedSeconds, 4);
    EXPECT_EQ(table[2].elapsedSeconds, 4);
    EXPECT_EQ(table[3].elapsedSeconds, 0);
    EXPECT_THROW(table[17], std::out_of_range);
    EXPECT_THROW(table[0], std::out_of_range);

    ChannelState& row = table[1];
    row.stopRequested = 1;
    row.progress = 55;
    row.burnResult = kResultFail;
    row.swName.Set("fw");
    row.macText.Set("0123456789AB0123456789");  // longer than the 20-character field
    EXPECT_EQ(row.macText.Get(), "0123456789AB01234567");
    row.port.Set("ttyUSB0");
    row.ResetForJob();
    EXPECT_EQ(row.status, kStatusIdle);
    EXPECT_EQ(row.elapsedSeconds, 0);
    EXPECT_EQ(row.progress, 0);
    EXPECT_EQ(row.stopRequested, 0);
    EXPECT_EQ(row.burnResult, kResultNotRun);
    EXPECT_EQ(row.swName.Get(), "");
    EXPECT_EQ(row.macText.Get(), "");
    EXPECT_EQ(row.port.Get(), "ttyUSB0");  // the port binding survives a start
    EXPECT_EQ(table[9].port.Get(), kNoPort);
}

TEST(ChannelState, StartEventLetsOneJobThroughPerSignal) {
    ChannelTable table;
    AutoResetEvent& start = table.channelStartEvent(4);
    EXPECT_FALSE(start.WaitFor(std::chrono::milliseconds(0)));
    start.Set();
    start.Set();  // a second signal before the wait adds nothing
    EXPECT_TRUE(start.WaitFor(std::chrono::milliseconds(0)));
    EXPECT_FALSE(start.WaitFor(std::chrono::milliseconds(0)));

    std::thread worker([&] { start.Wait(); });
    start.Set();
    worker.join();
    EXPECT_FALSE(start.IsSet());
}

}  // namespace
