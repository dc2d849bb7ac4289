// The network front end's own rules: what a listen address means, the
// token comparison, and the event stream's fan-out that never waits for a
// slow client.
#include <gtest/gtest.h>

#include "station/remote/event_hub.h"
#include "station/remote/listen_address.h"

namespace {

using station::remote::EventHub;
using station::remote::ParseListenAddress;
using station::remote::TokensEqual;

TEST(ListenAddress, APortAloneIsLoopbackAndOnlyLoopbackHostsCountAsSuch) {
    auto a = ParseListenAddress(" 8750 ");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "127.0.0.1");
    EXPECT_EQ(a->port, 8750);
    EXPECT_TRUE(a->loopback);
    a = ParseListenAddress("[::1]:80");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "::1");
    EXPECT_TRUE(a->loopback);
    a = ParseListenAddress("0.0.0.0:8750");
    ASSERT_TRUE(a);
    EXPECT_FALSE(a->loopback);
    EXPECT_FALSE(ParseListenAddress("10.1.2.3:80")->loopback);
    for (const char* bad : {"", "host:", ":80", "127.0.0.1:65536", "127.0.0.1:8x", "::1:80", "[::1]80", "99999"})
        EXPECT_FALSE(ParseListenAddress(bad)) << bad;
}

TEST(ListenAddress, TokensMatchOnlyWhole) {
    EXPECT_TRUE(TokensEqual("line-7", "line-7"));
    EXPECT_FALSE(TokensEqual("line-", "line-7"));
    EXPECT_FALSE(TokensEqual("line-77", "line-7"));
    EXPECT_FALSE(TokensEqual("line-8", "line-7"));
    EXPECT_FALSE(TokensEqual("", ""));  // no token configured: nothing matches
}

TEST(EventHub, ASlowClientIsDroppedWhileTheOthersGetEveryEvent) {
    EventHub hub;
    auto slow = hub.Join("first");
    auto quick = hub.Join("");
    bool ended = false;
    size_t taken = 0;
    for (size_t i = 0; i < EventHub::kClientQueueLimit + 10; ++i) {
        hub.Publish("channel", std::to_string(i));
        const std::string text = quick->Take(std::chrono::milliseconds(0), ended);
        ASSERT_FALSE(ended);
        taken += text.find("event: channel\ndata: " + std::to_string(i) + "\n\n") == 0 ? 1 : 0;
    }
    EXPECT_EQ(taken, EventHub::kClientQueueLimit + 10);
    slow->Take(std::chrono::milliseconds(0), ended);
    EXPECT_TRUE(ended);
    EXPECT_EQ(hub.ClientCount(), 1u);

    // Closing ends every stream, after what was queued.
    hub.Publish("record", "{}");
    hub.Close();
    EXPECT_EQ(quick->Take(std::chrono::milliseconds(0), ended), "event: record\ndata: {}\n\n");
    EXPECT_TRUE(ended);
    EXPECT_TRUE(hub.Join("late")->Take(std::chrono::milliseconds(0), ended) == "late" && ended);
}

}  // namespace
