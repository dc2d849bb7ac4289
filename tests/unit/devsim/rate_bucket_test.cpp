// The wire's pace in the serial transport: bytes at baud / 10 per second;
// a busy line still delivers what fell due while the transport slept late,
// an idle line banks nothing.
#include <gtest/gtest.h>

#include "devsim/serial/rate_bucket.h"

namespace {

using devsim_serial::RateBucket;

constexpr int kBaud = 1000000;  // 100000 bytes per second: 0.1 per microsecond

TEST(RateBucket, BusyLineKeepsItsPaceThroughLateWakeUpsAndAnIdleLineBanksNothing) {
    RateBucket line;
    EXPECT_EQ(line.Allowance(1000, kBaud), 0u);
    EXPECT_EQ(line.Allowance(11000, kBaud), 1000u);
    line.Spend(1000);
    EXPECT_EQ(line.DueUs(100, kBaud), 1001u);
    // Woken 50 ms late while the sender kept sending: all of it is due.
    EXPECT_EQ(line.Allowance(61000, kBaud), 5000u);
    line.Spend(5000);

    // The sender ran dry; a second later it sends again.
    line.Idle();
    EXPECT_EQ(line.Allowance(1061000, kBaud), 0u);
    EXPECT_EQ(line.Allowance(1062000, kBaud), 100u);
}

}  // namespace
