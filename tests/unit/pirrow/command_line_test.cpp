#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pirrow/run_settings.h"

namespace {

using pirrow::ParseCommandLine;
using pirrow::ParseOutcome;
using pirrow::RunSettings;

ParseOutcome Parse(std::vector<std::string> args, RunSettings& s) {
    args.insert(args.begin(), "Pirrow");
    return ParseCommandLine(args, s);
}

TEST(CommandLine, NamesIgnoreCaseAndTheirFirstTwoCharacters) {
    RunSettings s;
    EXPECT_EQ(Parse({"--FUNC", "3", "xxport", "COM5", "--Baund", "3000000"}, s), ParseOutcome::Run);
    EXPECT_EQ(s.job, 3);
    EXPECT_EQ(s.portName, "COM5");
    EXPECT_EQ(s.baud, 3000000);
    EXPECT_EQ(s.seenMask, 0x0Du);
}

TEST(CommandLine, RepeatedOrUnknownOptionFailsAndKeepsTheMaskSoFar) {
    RunSettings s;
    EXPECT_EQ(Parse({"--log", "a.txt", "--func", "3", "--func", "4"}, s), ParseOutcome::Fail);
    EXPECT_EQ(s.seenMask, 0x81u);
    RunSettings t;
    EXPECT_EQ(Parse({"--port", "COM5", "--bogus", "1", "--baund", "1"}, t), ParseOutcome::Fail);
}

TEST(CommandLine, PortAndBaudAreRequired) {
    RunSettings s;
    EXPECT_EQ(Parse({"--log", "a.txt", "--port", "COM5"}, s), ParseOutcome::Fail);
    EXPECT_EQ(s.seenMask, 0x84u);
}

TEST(CommandLine, ValueOptionStandingLastFails) {
    RunSettings s;
    EXPECT_EQ(Parse({"--port", "COM5", "--baund"}, s), ParseOutcome::Fail);
    EXPECT_EQ(s.baud, 0);
}

TEST(CommandLine, HelpEndsParsingAtOnce) {
    RunSettings s;
    EXPECT_EQ(Parse({"--help"}, s), ParseOutcome::Help);
    RunSettings t;
    EXPECT_EQ(Parse({"--port", "x", "--help", "--nonsense"}, t), ParseOutcome::Help);
}

TEST(CommandLine, NumbersGoThroughTheToolsNumberRules) {
    RunSettings s;
    EXPECT_EQ(Parse({"--port", "p", "--baund", "1000000", "--third", "-2147483648", "--pcba", "0x1ff", "--raddr",
                     "0x 1000", "--rlen", "511", "--postact", "-1"},
                    s),
              ParseOutcome::Run);
    EXPECT_LT(s.thirdFunc, 0);
    EXPECT_EQ(s.pcbaMask, 511);
    EXPECT_EQ(s.readAddr, 0x1000u);
    EXPECT_EQ(s.readLen, 511u);
    EXPECT_EQ(s.postAct, 1);  // no sign is read: "-1" is 1
}

TEST(CommandLine, FlagsAndTextFields) {
    RunSettings s;
    std::string longName(150, 'n');
    std::string longPath(400, 'p');
    EXPECT_EQ(Parse({"--port", "p", "--baund", "1", "--compare", "--verify", "--noerase", "--blename", longName,
                     "--driver", longPath, "--fish", "crystal_cali 8 5 25"},
                    s),
              ParseOutcome::Run);
    EXPECT_TRUE(s.compare);
    EXPECT_TRUE(s.verify);
    EXPECT_TRUE(s.noErase);
    EXPECT_EQ(s.bleName.size(), 99u);
    EXPECT_EQ(s.ramLoaderPath.size(), 259u);
    EXPECT_EQ(s.fishCommand, "crystal_cali 8 5 25\r\n");
    EXPECT_TRUE(s.Seen(pirrow::kOptFish));
    EXPECT_FALSE(s.Seen(pirrow::kOptLoadRam));
}

TEST(CommandLine, OverlongFishKeepsItsLineEnd) {
    RunSettings s;
    EXPECT_EQ(Parse({"--port", "p", "--baund", "1", "--fish", std::string(500, 'c')}, s), ParseOutcome::Run);
    EXPECT_EQ(s.fishCommand.size(), 259u);
    EXPECT_EQ(s.fishCommand.substr(257), "\r\n");
}

}  // namespace
