#include <gtest/gtest.h>

#include "pirrow/exit_status.h"
#include "pirrow/jobs.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::ScriptedSession;

int32_t RunTool(ScriptedSession& f, std::vector<std::string> args) {
    args.insert(args.begin(), "Pirrow");
    args.insert(args.begin() + 1, {"--log", f.logPath});
    return pirrow::RunPirrow(args, f.session);
}

std::string LastLine(const std::string& log) {
    std::string body = log.substr(0, log.size() - 1);
    return log.substr(body.rfind('\n') + 1 + 16);  // past the time stamp
}

TEST(RunFlow, ParseFailuresEndWithTheSeenMask) {
    ScriptedSession f;
    EXPECT_EQ(RunTool(f, {"--func", "3", "--func", "4"}), -1);
    EXPECT_EQ(LastLine(f.Log()), "FINAL_FAIL 81\n");
    ScriptedSession g;
    EXPECT_EQ(RunTool(g, {"--port", "COM5"}), -1);
    EXPECT_EQ(LastLine(g.Log()), "FINAL_FAIL 84\n");
    EXPECT_TRUE(g.openedNames.empty());
}

TEST(RunFlow, UnsupportedJobsAndUnknownNumbers) {
    for (auto [job, line] : std::vector<std::pair<std::string, std::string>>{
             {"4", "TASK_ERASE_CRYSTAL not support\n"},
             {"5", "TASK_ERASE_BATTERY not support\n"},
             {"6", "TASK_ERASE_OTP not support\n"},
             {"10", "cmd error 10\n"}}) {
        ScriptedSession f;
        EXPECT_EQ(RunTool(f, {"--func", job, "--port", "p", "--baund", "1000000"}), -1);
        EXPECT_NE(f.Log().find(line), std::string::npos) << job;
        EXPECT_TRUE(f.openedNames.empty());
    }
}

TEST(RunFlow, RangeJobsNeedBothValuesAndPassOnZeroLength) {
    ScriptedSession f;
    EXPECT_EQ(RunTool(f, {"--func", "1", "--port", "p", "--baund", "1000000", "--raddr", "0", "--rlen", "0"}), 0);
    std::string log = f.Log();
    EXPECT_NE(log.find("ReadUart() len=0 \n"), std::string::npos);
    EXPECT_EQ(LastLine(log), "FINAL_PASS\n");
    EXPECT_TRUE(f.openedNames.empty());

    ScriptedSession g;
    EXPECT_EQ(RunTool(g, {"--func", "2", "--port", "p", "--baund", "1000000", "--raddr", "0"}), -1);
    EXPECT_EQ(g.Log().find("EraseAddrUart() fail"), std::string::npos);
}

TEST(RunFlow, DownloadWithoutAListFailsBeforeOpeningThePort) {
    ScriptedSession f;
    EXPECT_EQ(RunTool(f, {"--func", "0", "--port", "p", "--baund", "1000000", "--file", "/nonexistent/burn.txt"}), -1);
    EXPECT_NE(f.Log().find("GetBurnList fail\n"), std::string::npos);
    EXPECT_TRUE(f.openedNames.empty());

    ScriptedSession g;
    EXPECT_EQ(RunTool(g, {"--func", "0", "--port", "p", "--baund", "1000000"}), -1);
    EXPECT_NE(g.Log().find("X no burn list: give --file or --path\n"), std::string::npos);
    EXPECT_TRUE(g.openedNames.empty());
}

TEST(RunFlow, HelpWritesOnlyToTheLog) {
    ScriptedSession f;
    CaptureStdout out;
    EXPECT_EQ(RunTool(f, {"--help"}), 0);
    EXPECT_EQ(out.Finish(), "");
    std::string log = f.Log();
    EXPECT_NE(log.find("--driver  //uart driver full path\n"), std::string::npos);
    EXPECT_EQ(LastLine(log), "cur version 2.9\n");
}

TEST(RunFlow, PathDerivesTheLoaderAndKey) {
    ScriptedSession f;
    RunTool(f, {"--func", "99", "--port", "p", "--baund", "1", "--path", "/img", "--device", "QM2E_NAND"});
    EXPECT_EQ(f.session.settings.ramLoaderPath, "/img/ram_patch_2E_NAND.bin");
    EXPECT_EQ(f.session.settings.sigKeyPath, "/img/sig_pub.der");
    ScriptedSession g;
    RunTool(g, {"--func", "99", "--port", "p", "--baund", "1", "--path", "/img", "--device", "QM9"});
    EXPECT_EQ(g.session.settings.ramLoaderPath, "");
    EXPECT_EQ(g.session.settings.sigKeyPath, "/img/sig_pub.der");
}

TEST(ExitStatus, FullValueReachesTheCaller) {
    EXPECT_EQ(common::ProcessExitCode(0), 0);
    EXPECT_EQ(common::ProcessExitCode(-1), 255);
    EXPECT_EQ(common::ProcessExitCode(0x80), 0x80);
    EXPECT_EQ(common::ProcessExitCode(0x200), 255);  // never 0 for a failure
    EXPECT_EQ(common::ProcessExitCode(0x3FF), 0xFF);
    ScriptedSession pass, fail, mask;
    CaptureStdout out;
    pirrow::ReportStatus(pass.session, 0);
    pirrow::ReportStatus(fail.session, -1);
    pirrow::ReportStatus(mask.session, 0x200);
    pirrow::ReportStatus(mask.session, 0x200);  // once per run
    EXPECT_EQ(out.Finish(), "exitcode:0x200\n");
}

}  // namespace
