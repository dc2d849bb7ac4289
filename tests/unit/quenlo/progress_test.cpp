#include <gtest/gtest.h>

#include "quenlo/progress.h"
#include "tests/support/capture_stdout.h"

namespace quenlo {
namespace {

using testing_support::CaptureStdout;

// A download model of one file of `length` bytes out of `total`.
ProgressModel OneFile(uint32_t length, uint32_t total, bool compare, bool verify) {
    ProgressModel m;
    SetPhaseTable(m, compare, verify);
    m.fileLength[0] = length;
    m.totalBytes = total;
    m.fileEnd = length;
    return m;
}

TEST(QuenloProgress, UnitRoundsUpSoAnOddTotalEndsBelow100) {
    ProgressModel m = OneFile(1001, 1001, false, false);
    CaptureStdout out;
    DownloadProgress(m, "Erase", "", 100);
    DownloadProgress(m, "Program", "", 100);
    // unit 11: 1001 bytes are 91 percent.
    EXPECT_EQ(out.Finish(), "percent:30 \npercent:91 \n");
    ProgressModel even = OneFile(1000, 1000, true, true);
    CaptureStdout evenOut;
    DownloadProgress(even, "Verify", "", 100);
    EXPECT_EQ(evenOut.Finish(), "percent:100 \n");
}

TEST(QuenloProgress, PhasesOnlyMoveForward) {
    ProgressModel m = OneFile(10000, 10000, false, true);
    CaptureStdout out;
    DownloadProgress(m, "Program", "", 50);  // 31 % + half of 62 %
    DownloadProgress(m, "Erase", "", 100);   // after Program: ignored
    DownloadProgress(m, "Flash", "", 100);   // names no phase: counted in Program
    DownloadProgress(m, "Compare", "", 10);  // disabled without --compare
    EXPECT_EQ(out.Finish(), "percent:62 \npercent:93 \n");
    EXPECT_EQ(m.phase, 2);
}

TEST(QuenloProgress, ARetryHoldsTheBar) {
    ProgressModel m = OneFile(10000, 10000, false, false);
    DownloadProgress(m, "Program", "", 100);
    m.phase = 0;  // the next attempt starts the file again
    CaptureStdout out;
    DownloadProgress(m, "Erase", "", 10);
    EXPECT_EQ(out.Finish(), "");
    EXPECT_EQ(m.lastReported, 10000u);
    EXPECT_EQ(m.lastPercent, 100);
}

TEST(QuenloProgress, ChipEraseStagesCountPastTheTotal) {
    ProgressModel m;
    SetStages(m, {0x800000, 0x1000000, 0x100000, 0x100000}, 0x1900000);
    CaptureStdout out;
    for (int stage = 0; stage < 4; ++stage) StagedProgress(m, "Erasing", "", 100);
    // unit 0x40000: 32, 96, 100, then the fourth stage beyond the total.
    EXPECT_EQ(out.Finish(), "percent:32 \npercent:96 \npercent:100 \npercent:104 \n");
    // Completions beyond the model's stages count nothing more.
    for (int extra = 0; extra < 30; ++extra) StagedProgress(m, "Erasing", "", 100);
    EXPECT_EQ(m.lastPercent, 104);
}

TEST(QuenloProgress, EmptyTotalPrintsNothing) {
    ProgressModel m = OneFile(0, 0, false, false);
    CaptureStdout out;
    DownloadProgress(m, "Program", "", 100);
    EXPECT_EQ(out.Finish(), "");
}

}  // namespace
}  // namespace quenlo
