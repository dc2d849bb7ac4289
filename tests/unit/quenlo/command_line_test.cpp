#include <gtest/gtest.h>

#include "quenlo/job_settings.h"

namespace quenlo {
namespace {

ParseOutcome Parse(std::vector<std::string> args, JobSettings& s) {
    args.insert(args.begin(), "Quenlo");
    return ParseCommandLine(args, s);
}

TEST(QuenloCommandLine, NamesNumbersAndTheSeenMask) {
    JobSettings s;
    ASSERT_EQ(Parse({"-xfunc", "0", "--SN", "0x38D7728", "--baund", "-5", "--pcba", "0x1ff", "--fish", "crystal_cali 8 5 10",
                     "--compare", "--rttaddr", "0x 20000000", "--third", "-1"},
                    s),
              ParseOutcome::Run);
    EXPECT_EQ(s.func, 0);
    EXPECT_EQ(s.sn, 59602728);
    EXPECT_EQ(s.speed, 5);
    EXPECT_EQ(s.pcba, 0x1ff);
    EXPECT_EQ(s.fishCommand, "crystal_cali 8 5 10\r\n");
    EXPECT_TRUE(s.compare);
    EXPECT_FALSE(s.verify);
    EXPECT_EQ(s.rttAddr, 0x20000000u);
    EXPECT_EQ(s.third, 1);
    EXPECT_EQ(s.seenMask, (1u << kOptFunc) | (1u << kOptSn) | (1u << kOptBaund) | (1u << kOptPcba) |
                              (1u << kOptFish) | (1u << kOptCompare) | (1u << kOptRttAddr) | (1u << kOptThird));
}

TEST(QuenloCommandLine, RefusedArguments) {
    JobSettings twice;
    EXPECT_EQ(Parse({"--func", "3", "--func", "4"}, twice), ParseOutcome::Fail);
    EXPECT_EQ(twice.seenMask, 1u << kOptFunc);
    JobSettings unknown;
    EXPECT_EQ(Parse({"--port", "COM5"}, unknown), ParseOutcome::Fail);
    JobSettings last;
    EXPECT_EQ(Parse({"--device"}, last), ParseOutcome::Fail);
    // Texts longer than their field are refused, not cut.
    JobSettings longName;
    EXPECT_EQ(Parse({"--blename", std::string(100, 'n')}, longName), ParseOutcome::Fail);
    JobSettings fits;
    EXPECT_EQ(Parse({"--blename", std::string(99, 'n'), "--device", std::string(259, 'd')}, fits), ParseOutcome::Run);
    JobSettings longFish;
    EXPECT_EQ(Parse({"--fish", std::string(258, 'f')}, longFish), ParseOutcome::Fail);
}

TEST(QuenloCommandLine, HelpEndsTheWalk) {
    JobSettings s;
    EXPECT_EQ(Parse({"--help", "--bogus"}, s), ParseOutcome::Help);
}

}  // namespace
}  // namespace quenlo
