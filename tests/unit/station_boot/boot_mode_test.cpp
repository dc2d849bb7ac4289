// The station's boot-loader talk on virtual time against a scripted device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station/engine/boot/boot_frames.h"
#include "station/engine/boot/boot_mode.h"
#include "support/scripted_link.h"

namespace station {
namespace {

using testing_support::ScriptedLink;

class BootTest : public ::testing::Test {
protected:
    // A QM2A boot loader: answers H1, R0 and H2 with A1, A2 and A3; R0 also
    // restarts it, so its banner follows after restartMs. The first
    // `restartingReplies` requests get the banner (a device still starting
    // up), alone the first time, before the reply the next times.
    void Qm2aBootLoader(int restartingReplies = 0, int restartMs = 300) {
        link.onWrite = [=, left = restartingReplies](ScriptedLink& l, const std::string& w) mutable {
            if (left > 0) {
                l.Reply(left-- == restartingReplies ? "NVBL" : "NVBL" + std::string(kReplyA1), 5);
                return;
            }
            if (w == kRequestH1) l.Reply(std::string(kReplyA1), 5);
            else if (w == kRequestR0) {
                l.Reply(std::string(kReplyA2), 5);
                l.Reply("NVBL", uint32_t(restartMs));
            } else if (w == kRequestH2) l.Reply(std::string(kReplyA3), 5);
        };
    }
    std::vector<std::string> Requests() const {
        std::vector<std::string> names;
        for (const auto& w : link.writes)
            names.push_back(w == kRequestH1 ? "H1" : w == kRequestH2 ? "H2" : w == kRequestR0 ? "R0"
                                                 : w == kRequestR3 ? "R3" : "?");
        return names;
    }

    platform::VirtualClock clock;
    ScriptedLink link{clock};
    StopCheck never = [] { return false; };
};

TEST_F(BootTest, BannerSplitOverReadsAndBuriedInNoise) {
    link.Reply(std::string(5000, 'N') + "No", 100);  // more than the buffer holds, then half a banner
    link.Reply("rva", 160);
    EXPECT_TRUE(WaitForBanner(link, clock, kBannerOther, never));
    EXPECT_GE(clock.NowMs(), 160u);
    EXPECT_LE(clock.NowMs(), 200u);
}

TEST_F(BootTest, StopEndsTheBannerWait) {
    link.Reply("Norv", 0);
    int polls = 0;
    EXPECT_FALSE(WaitForBanner(link, clock, kBannerOther, [&] { return ++polls > 50; }));
    EXPECT_EQ(clock.NowMs(), 50u * kBootPollMs);
}

TEST_F(BootTest, TimedWaitPollsTimeOverTen) {
    EXPECT_FALSE(WaitForBytes(link, clock, kReplyA1, 1000));
    EXPECT_EQ(clock.NowMs(), 100u * kBootPollMs);
    link.Reply(std::string(kReplyA1), 500);
    EXPECT_TRUE(WaitForBytes(link, clock, kReplyA1, 1000));
}

TEST_F(BootTest, HandshakeStartsOverWhileTheDeviceRestarts) {
    Qm2aBootLoader(2);
    EXPECT_TRUE(HoldInBootLoader(link, clock, never));
    EXPECT_EQ(Requests(), (std::vector<std::string>{"H1", "H1", "H1", "R0", "H2"}));
    EXPECT_EQ(link.purges, 3);  // each attempt starts on an empty port
}

TEST_F(BootTest, HandshakeFailsOnAWrongOrMissingReply) {
    link.onWrite = [](ScriptedLink& l, const std::string& w) {
        if (w == kRequestH1) l.Reply(std::string(kReplyA1), 5);
        else if (w == kRequestR0) l.Reply(std::string(kReplyA3), 5);  // wrong reply
    };
    EXPECT_FALSE(HoldInBootLoader(link, clock, never));
    link.onWrite = nullptr;  // silent device
    EXPECT_FALSE(HoldInBootLoader(link, clock, never));
    // A device that restarts forever does not hold a stopped channel.
    link.onWrite = [](ScriptedLink& l, const std::string&) { l.Reply("NVBL", 5); };
    int checks = 0;
    EXPECT_FALSE(HoldInBootLoader(link, clock, [&] { return ++checks > 10; }));
}

TEST_F(BootTest, MonitoringWaitsForTheNextBannerAfterAFailedHandshake) {
    link.Reply("NVBL", 100);
    link.Reply("NVBL", 2000);
    int h1 = 0;
    link.onWrite = [&](ScriptedLink& l, const std::string& w) {
        if (w == kRequestH1 && ++h1 == 1) return;  // the first handshake goes unanswered
        if (w == kRequestH1) l.Reply(std::string(kReplyA1), 5);
        if (w == kRequestR0) l.Reply(std::string(kReplyA2), 5);
        if (w == kRequestH2) l.Reply(std::string(kReplyA3), 5);
    };
    EXPECT_TRUE(AwaitBootLoader(link, clock, "QM2A_NAND", never));
    EXPECT_EQ(Requests(), (std::vector<std::string>{"H1", "H1", "R0", "H2"}));
    EXPECT_GE(clock.NowMs(), 2000u);

    ScriptedLink other(clock);
    other.Reply("Norva", 40);
    EXPECT_TRUE(AwaitBootLoader(other, clock, "QM2B", never));
    EXPECT_TRUE(other.written.empty());  // other devices get no handshake
}

// A device that restarts during the handshake and sends its banner in two
// pieces: the handshake's read takes only the first; the wait for the banner
// that follows starts from it and finds the banner when the rest comes.
TEST_F(BootTest, ABannerSplitAcrossAFailedHandshakeIsFound) {
    link.Reply("NVBL", 100);
    int h1 = 0;
    link.onWrite = [&](ScriptedLink& l, const std::string& w) {
        if (w == kRequestH1 && ++h1 == 1) {
            l.Reply("NV", 5);
            l.Reply("BL", 65);
            return;
        }
        if (w == kRequestH1) l.Reply(std::string(kReplyA1), 5);
        if (w == kRequestR0) l.Reply(std::string(kReplyA2), 5);
        if (w == kRequestH2) l.Reply(std::string(kReplyA3), 5);
    };
    EXPECT_TRUE(AwaitBootLoader(link, clock, "QM2A", [&] { return clock.NowMs() > 10000; }));
    EXPECT_EQ(Requests(), (std::vector<std::string>{"H1", "H1", "R0", "H2"}));
}

TEST_F(BootTest, ResetIntoBootMode) {
    Qm2aBootLoader();
    EXPECT_TRUE(ResetToBootLoader(link, clock));
    EXPECT_EQ(Requests(), (std::vector<std::string>{"H1", "R0", "H1", "R3"}));

    ScriptedLink silent(clock);
    EXPECT_FALSE(ResetToBootLoader(silent, clock));
    EXPECT_EQ(silent.writes.size(), 1u);  // no A1: nothing more is sent
}

}  // namespace
}  // namespace station
