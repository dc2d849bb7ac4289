// The terminal station's own surface: its options and its live table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station/engine/state/channel_state.h"
#include "station/headless/headless_front_end.h"
#include "station/headless/headless_options.h"
#include "station/headless/live_table.h"

namespace station {
namespace {

struct Parsed {
    bool ok;
    HeadlessOptions options;
    std::string error;
};

Parsed Parse(std::vector<std::string> args) {
    Parsed p{};
    bool help = false;
    p.ok = ParseHeadlessOptions(args, p.options, p.error, help);
    return p;
}

TEST(HeadlessOptions, ChannelListsFunctionsAndJobCounts) {
    Parsed p = Parse({"--headless"});
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.options.startAll);
    EXPECT_EQ(p.options.jobs, 1);
    EXPECT_FALSE(p.options.jobsGiven);

    p = Parse({"--headless", "--start", "3,5,3,16", "--func", "13", "--jobs", "4", "--yes", "--make-list"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_FALSE(p.options.startAll);
    EXPECT_EQ(p.options.startChannels, (std::vector<int>{3, 5, 16}));  // a channel is started once
    EXPECT_EQ(p.options.funcType, 13);
    EXPECT_EQ(p.options.jobs, 4);
    EXPECT_TRUE(p.options.jobsGiven && p.options.answerYes && p.options.makeList);

    // The last of --start and --start-all decides.
    p = Parse({"--start", "2", "--start-all"});
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.options.startAll);
    EXPECT_TRUE(p.options.startChannels.empty());
}

TEST(HeadlessOptions, BadValuesAreRefusedWithTheOptionNamed) {
    const std::vector<std::vector<std::string>> bad = {
        {"--start", "0"},    {"--start", "17"},  {"--start", "3,"},   {"--start", ""},
        {"--start", "a"},    {"--start", "-1"},  {"--start"},         {"--func", "3"},
        {"--func", "0"},     {"--func", "99999999999"}, {"--jobs", "0"}, {"--jobs", "2x"},
        {"--jobs"},          {"--verbose"},      {"start-all"}};
    for (const auto& args : bad) {
        const Parsed p = Parse(args);
        EXPECT_FALSE(p.ok) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_NE(p.error.find(args[0]), std::string::npos) << p.error;
    }
}

// Column (in terminal cells) where `needle` starts on the line holding `lineKey`.
size_t ColumnOf(const std::string& table, const std::string& lineKey, const std::string& needle) {
    size_t start = 0;
    while (start < table.size()) {
        const size_t end = table.find('\n', start);
        const std::string line = table.substr(start, end - start);
        if (line.rfind(lineKey, 0) == 0) return DisplayWidth(line.substr(0, line.find(needle)));
        start = end + 1;
    }
    return std::string::npos;
}

TEST(LiveTable, ColumnsStayAlignedUnderWideTextAndBarsFollowProgress) {
    EXPECT_EQ(DisplayWidth("ttyUSB0"), 7u);
    EXPECT_EQ(DisplayWidth("下载中"), 6u);
    EXPECT_EQ(DisplayWidth("通道1"), 5u);

    ChannelTable channels;
    HeadlessFrontEnd frontEnd(channels, false, false);
    channels[1].port.Set("ttyUSB0");
    channels[1].statusText.Set("下载中");
    channels[1].status = kStatusRunning;
    channels[1].progress = 50;
    channels[1].macText.Set("AABBCCDDEE01");
    channels[2].port.Set("/dev/pts/12");
    channels[2].statusText.Set("idle");
    channels[2].progress = 140;  // never drawn past full
    channels[2].macText.Set("AABBCCDDEE02");
    channels[2].status = kStatusFail;
    channels[2].failCause.Set("X uart baud 0 not supported");
    frontEnd.OnStationNotify({kNotifyJobEnd, 2});
    LiveTable table(channels, frontEnd, {1, 2});
    const std::string text = table.Render();

    EXPECT_NE(text.find("[##########..........]  50%"), std::string::npos) << text;
    EXPECT_NE(text.find("[####################] 100%"), std::string::npos) << text;
    EXPECT_EQ(ColumnOf(text, "1 ", "AABBCCDDEE01"), ColumnOf(text, "2 ", "AABBCCDDEE02")) << text;
    EXPECT_EQ(ColumnOf(text, "1 ", "run"), ColumnOf(text, "ch", "verdict")) << text;
    EXPECT_EQ(ColumnOf(text, "2 ", "X uart"), ColumnOf(text, "ch", "cause")) << text;
}

}  // namespace
}  // namespace station
