// The station's own boot-loader talk against devsim devices on
// pseudo-terminals: waiting for the banner, the QM2A handshake and the reset
// into boot mode, seen through the result and the main log.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "station/engine/boot/boot_mode.h"
#include "tests/support/station_e2e.h"

namespace {

class StationBoot : public testing_support::StationE2e {
protected:
    // A device that is never recognised ends the wait after a while, so that
    // the test fails instead of hanging.
    bool Enter(const std::string& type) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        return station::EnterBootMode(2, device_.PtyPath(), type,
                                      [&] { return stop.load() || std::chrono::steady_clock::now() > giveUp; });
    }

    std::atomic<bool> stop{false};
};

TEST_F(StationBoot, BannersOfBothFamilies) {
    StartDevice("QM2B", "bootrom", {"--boot-faults", "split-banner"});
    EXPECT_TRUE(Enter("QM2B"));
    device_.Stop();
    // A QM2A device still restarting answers its first handshake frame with
    // the banner, sent in two pieces: the handshake's read takes the first.
    StartDevice("QM2A", "bootrom", {"--boot-faults", "repeat-banner,split-banner"});
    EXPECT_TRUE(Enter("QM2A"));
    EXPECT_TRUE(Logged("[2] enter bootmode success\n"));
}

TEST_F(StationBoot, ResetOfARunningQm2aIntoBootMode) {
    StartDevice("QM2A", "loader");
    EXPECT_TRUE(station::ResetIntoBootMode(4, device_.PtyPath()));
    EXPECT_TRUE(Logged("[4] reset and enter bootmode success\n"));
}

TEST_F(StationBoot, StopEndsMonitoringOfASilentDevice) {
    StartDevice("QM2A", "bootrom", {"--boot-faults", "no-reply"});
    std::thread stopper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        stop = true;
    });
    EXPECT_FALSE(Enter("QM2A"));
    stopper.join();
    EXPECT_TRUE(Logged("[2] enter bootmode fail\n"));
    // A port that is gone is tried again only after a pause, so a monitoring
    // channel does not flood the log while an adapter is unplugged.
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(station::EnterBootMode(2, Path("no-such-port"), "QM2B", [] { return false; }));
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1000));
    EXPECT_TRUE(Logged("[2] uart " + Path("no-such-port") + " open fail\n"));
}

}  // namespace
