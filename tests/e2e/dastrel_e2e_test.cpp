// Dastrel over channel logs written by real battery calibration runs.
#include <regex>

#include "tests/support/tool_e2e.h"

namespace {

using testing_support::FileText;
using testing_support::ToolE2e;
using testing_support::ToolRun;

class DastrelE2e : public ToolE2e {
protected:
    void Calibrate(const std::string& logName, std::vector<std::string> faults = {}) {
        StartDevice("QM2B", "loader", std::move(faults));
        ToolRun run = RunProgram("Pirrow", {"--func", "9", "--port", device_.PtyPath(), "--baund", "1000000",
                                            "--log", Path(logName)});
        device_.Stop();
        ASSERT_NE(run.exitCode, -1);
    }
};

TEST_F(DastrelE2e, GathersTheMarkerLinesOfCalibrationLogs) {
    Calibrate("Chan11_0x9(2026_01_02_03_04_05).txt");
    Calibrate("Chan2_0x9(2026_01_02_03_04_06).txt", {"--battery", "fail"});
    testing_support::WriteFile(Path("Chan4_0x9(2026_01_02_03_04_07).txt"), "no calibration here\n");

    ToolRun run = RunProgram("Dastrel", {"--no-open"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, Path("result.txt") + "\n");
    // The marker line is the log line whole, with its time stamp.
    const std::string stamp = "\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d    R: ";
    EXPECT_TRUE(std::regex_match(
        FileText(Path("result.txt")),
        std::regex("Chan11_0x9\\(2026_01_02_03_04_05\\)\\.txt    " + stamp + "first measure: ref_value 4000 measure 4000 \n"
                   "Chan2_0x9\\(2026_01_02_03_04_06\\)\\.txt    " + stamp + "first measure: ref_value 4000 measure 4000 \n"
                   "Chan4_0x9\\(2026_01_02_03_04_07\\)\\.txt\n")))
        << FileText(Path("result.txt"));
}

}  // namespace
