#pragma once
// The devices behind devsim's pseudo-terminal: one device, or with --line a
// row of blank devices served one after another, as an operator plugs the
// next board into the same cable.
//
// A boot ROM prints its banner at power-on; a device is taken to be plugged
// in once a program listens, so its banner leaves kAnnounceAfterOpenMs after
// a program opened the line (after that program's set-up and purge). A
// device's turn ends at "burn_reset" or after --line-gap of silence after
// the last bytes it received; its state is saved then, and the next device
// arrives at the next open of the line (at once, when the turn ended in
// silence while a program holds the line).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "devsim/model/device.h"
#include "devsim/serial/options.h"
#include "platform/clock.h"

namespace devsim_serial {

constexpr uint32_t kAnnounceAfterOpenMs = 50;

class DeviceLine {
public:
    DeviceLine(const Options& options, platform::Clock& clock) : options_(options), clock_(clock) {}

    // Powers the first device on; false (with the reason) when its state
    // file cannot be loaded.
    bool Start(std::string& error);
    // The device on the line now; nullptr once every device of a line left.
    devsim::Device* Current() { return device_.get(); }

    // A program opened the line (`opened`); `holders` programs hold it now.
    void OnLineUse(bool opened, int holders);
    void OnBytesReceived();
    // Banners due, turns that ended.
    void Tick();
    // Saves what the device on the line holds (on exit).
    bool SaveCurrent();

private:
    std::unique_ptr<devsim::Device> MakeDevice() const;
    std::string StatePath() const;
    bool Save();
    void Arrive();
    void EndTurn(bool bySilence);

    const Options& options_;
    platform::Clock& clock_;
    std::unique_ptr<devsim::Device> device_;
    int number_ = 0;  // 1-based number of the device on the line
    bool lineMode_ = false;
    bool waitingForOpen_ = false;
    std::optional<uint64_t> announceAtMs_;
    int holders_ = 0;
    bool resetSeen_ = false;
    std::optional<uint64_t> lastBytesMs_;
};

}  // namespace devsim_serial
