#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "station/engine/log/log_paths.h"
#include "station/engine/log/main_log.h"
#include "unit/common/test_files.h"

namespace {

using common_test::TempDir;
using platform::LocalTime;

LocalTime At(int year, int month, int day, int hour, int minute, int second, int ms) {
    LocalTime t;
    t.year = year, t.month = month, t.day = day, t.hour = hour, t.minute = minute, t.second = second;
    t.millisecond = ms;
    return t;
}

// Installs a main log under a temporary root for the scope.
class MainLogTest : public ::testing::Test {
protected:
    void Use(station::LocalTimeSource now) {
        station::CreateStationDirectories(root.path());
        station::InstallMainLog(std::make_shared<station::MainLog>(root.path(), std::move(now)));
    }
    void TearDown() override { station::InstallMainLog(nullptr); }

    TempDir root;
    platform::VirtualClock clock;
};

TEST_F(MainLogTest, LinesCarryTheTimeAndChannelAndRollOverAtMidnight) {
    Use(station::LocalTimeOnClock(clock, At(2026, 12, 31, 23, 59, 59, 450)));
    station::Log(3, "task %s %d\n", "start", 7);
    station::Log(0, "%s", "");  // empty: no line
    station::Log(16, "no newline");
    clock.SleepMs(549);
    station::Log(1, "last\n");
    clock.SleepMs(1);
    station::Log(2, "new day %d\n", 1);

    EXPECT_EQ(root.Read("log/log(2026-12-31).txt"),
              "23:59:59:450  [3] task start 7\n23:59:59:450  [16] no newline23:59:59:999  [1] last\n");
    EXPECT_EQ(root.Read("log/log(2027-01-01).txt"), "00:00:00:000  [2] new day 1\n");
}

TEST_F(MainLogTest, LongTextIsWrittenWhole) {
    Use(station::LocalTimeOnClock(clock, At(2026, 3, 1, 8, 5, 9, 7)));
    const std::string text(100000, 'x');
    station::Log(5, "cmd: %s\n", text.c_str());
    EXPECT_EQ(root.Read("log/log(2026-03-01).txt"), "08:05:09:007  [5] cmd: " + text + "\n");
}

TEST_F(MainLogTest, SixteenChannelsLoggingAtOnceGiveWholeLines) {
    Use(platform::LocalTimeNow);
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int channel = 1; channel <= 16; ++channel) {
        threads.emplace_back([channel] {
            const std::string filler(size_t(channel) * 37, char('a' + channel));
            for (int n = 0; n < kLines; ++n) station::Log(channel, "line %d of %d %s\n", n, channel, filler.c_str());
        });
    }
    for (auto& t : threads) t.join();

    std::string all;
    std::vector<std::string> days;  // the run may cross midnight
    for (const auto& entry : std::filesystem::directory_iterator(root.Path("log"))) {
        if (entry.is_regular_file()) days.push_back(entry.path().filename());
    }
    std::sort(days.begin(), days.end());
    for (const std::string& name : days) all += root.Read("log/" + name);
    const std::regex line(R"((\d{2}):(\d{2}):(\d{2}):(\d{3})  \[(\d+)\] line (\d+) of (\d+) ([a-q]+))");
    std::vector<int> next(17, 0);
    size_t lines = 0, start = 0;
    for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1, ++lines) {
        std::smatch m;
        const std::string text = all.substr(start, end - start);
        ASSERT_TRUE(std::regex_match(text, m, line)) << text;
        const int channel = std::stoi(m[5]);
        ASSERT_EQ(std::stoi(m[7]), channel);
        EXPECT_EQ(m[8].str(), std::string(size_t(channel) * 37, char('a' + channel)));
        EXPECT_EQ(std::stoi(m[6]), next[size_t(channel)]++);  // each thread's lines in its own order
    }
    EXPECT_EQ(start, all.size());
    EXPECT_EQ(lines, size_t(16 * kLines));
}

TEST(LogPaths, ChannelLogAndScreenshotNames) {
    const LocalTime t = At(2026, 2, 3, 4, 5, 6, 789);
    EXPECT_EQ(station::ChannelLogPath("/st", 12, 13, t), "/st/log/channel/2026_02_03/Chan12_0xd(2026_02_03_04_05_06).txt");
    EXPECT_EQ(station::ScreenshotPath("/st", t), "/st/log/screenshot/2026_02_03_04_05_06.bmp");
    EXPECT_EQ(station::MainLogPath("/st", t), "/st/log/log(2026-02-03).txt");
}

}  // namespace
