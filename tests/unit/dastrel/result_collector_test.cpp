#include "dastrel/result_collector.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/unit/common/test_files.h"

namespace {

namespace fs = std::filesystem;

class ResultCollector : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.path().empty()); }

    void Log(const std::string& name, const std::string& text) { dir.Write(name, text); }
    std::string Result() { return dir.Read("result.txt"); }

    common_test::TempDir dir;
    const std::string dir_ = dir.path();
};

TEST_F(ResultCollector, OneLinePerLogInChannelGroupsSortedByName) {
    const std::string stamp = "10:00:00:000    ";
    Log("Chan3_b.txt", stamp + "channel CaliBattery start \n" + stamp + "BATTERY_CALI_FAIL\n");
    Log("Chan3_a.txt", stamp + "start\nfirst measure: ref_value 4000 measure 3990 cali_value 12\r\n"
                               "first measure: ref_value 4000 measure 1 cali_value 99\n");
    Log("Chan12_x.txt", "first measure: ref_value 4000 measure 4000\n");  // no value word
    Log("Chan1_z.txt", "nothing\n");
    Log("Chan2_cut.txt", "first measure: ref_value 4000 measure 40");      // cut off mid-line
    Log("Chan4.log", "first measure: ref_value 4000 cali_value 1\n");     // not a .txt log
    Log("chan5_a.txt", "first measure: ref_value 4000 cali_value 1\n");   // case matters
    fs::create_directory(fs::path(dir_) / "Chan6_dir.txt");
    // A line is text up to its first NUL byte.
    using namespace std::string_literals;
    Log("Chan9_nul.txt", "first measure: ref_value 4000 measure 39\0\x01 cali_value 5\n"s);
    Log("Chan4_hidden.txt", "x\0first measure: ref_value 4000 cali_value 1\n"s);

    ASSERT_TRUE(dastrel::CollectCalibrationResults(dir_));
    EXPECT_EQ(Result(),
              "Chan12_x.txt    first measure: ref_value 4000 measure 4000\n\n"
              "Chan1_z.txt\n"
              "Chan2_cut.txt    first measure: ref_value 4000 measure 40\n"
              "Chan3_a.txt    first measure: ref_value 4000 measure 3990 \n"
              "Chan3_b.txt\n"
              "Chan4_hidden.txt\n"
              "Chan9_nul.txt    first measure: ref_value 4000 measure 39\n");
}

TEST_F(ResultCollector, EmptyFolderGivesEmptyResultAndOldResultIsReplaced) {
    Log("result.txt", "old contents\n");
    ASSERT_TRUE(dastrel::CollectCalibrationResults(dir_));
    EXPECT_EQ(Result(), "");
    EXPECT_FALSE(dastrel::CollectCalibrationResults(dir_ + "/missing"));
}

TEST_F(ResultCollector, MarkerIsLookedForInPiecesOfAtMost299Characters) {
    // A marker that straddles the 299th character of a long line is split
    // in two pieces and is not found, as with a fixed line buffer.
    std::string longLine(290, 'x');
    Log("Chan7_long.txt", longLine + "first measure: ref_value 4000 cali_value 3\n");
    Log("Chan8_ok.txt", std::string(10, 'y') + "first measure: ref_value 4000 cali_value 3\n");
    ASSERT_TRUE(dastrel::CollectCalibrationResults(dir_));
    EXPECT_EQ(Result(), "Chan7_long.txt\nChan8_ok.txt    yyyyyyyyyyfirst measure: ref_value 4000 \n");
}

}  // namespace
