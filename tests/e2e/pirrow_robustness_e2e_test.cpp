// The real Pirrow where a pseudo-terminal alone would hide trouble: a port
// another program holds, a stop request in the middle of a job, and the
// full PCBA status reaching the caller before the process ends.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "common/otp_record_file.h"
#include "platform/serial_port.h"
#include "tests/support/tool_e2e.h"

namespace {

using testing_support::Pattern;
using testing_support::ToolRun;
using testing_support::WriteFile;

class PirrowRobustness : public testing_support::ToolE2e {
protected:
    // Starts Pirrow on the device's port without waiting for it.
    void StartPirrow(platform::ChildProcess& child, const std::vector<std::string>& options,
                     const std::string& baud = "1000000") {
        std::vector<std::string> args{std::string(STATION_BIN_DIR) + "/Pirrow", "--port", device_.PtyPath(),
                                      "--baund", baud, "--log", LogPath()};
        args.insert(args.end(), options.begin(), options.end());
        ASSERT_TRUE(child.Start(args, dir_));
    }
    // Waits (collecting its output) until the log holds `count` lines with `text`.
    bool AwaitLogged(platform::ChildProcess& child, std::string& out, const std::string& text, size_t count = 1) {
        const uint64_t deadline = platform::SystemClock().NowMs() + 60000;
        while (platform::SystemClock().NowMs() < deadline) {
            const std::string log = Log();
            size_t n = 0;
            for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
            if (n >= count) return true;
            if (!child.ReadAvailable(out, 5) && !child.Running()) return false;
        }
        return false;
    }
    // SIGTERM, then the milliseconds until the tool has ended.
    uint64_t Terminate(platform::ChildProcess& child, std::string& out) {
        const uint64_t start = platform::SystemClock().NowMs();
        ::kill(child.pid(), SIGTERM);
        while (child.ReadAvailable(out, 100)) {
        }
        child.Wait();
        return platform::SystemClock().NowMs() - start;
    }
    // Milliseconds from the log's first line to its first line holding
    // `text`, by the tool's own time stamps ("HH:MM:SS:mmm"): the time the
    // tool took, whatever the machine made its start-up cost.
    uint64_t LoggedAfterMs(const std::string& text) const {
        const std::string log = Log();
        const size_t at = log.find(text);
        if (at == std::string::npos) return UINT64_MAX;
        auto stamp = [&log](size_t line) {
            const auto field = [&](size_t k, size_t n) { return uint64_t(std::stoul(log.substr(line + k, n))); };
            return ((field(0, 2) * 60 + field(3, 2)) * 60 + field(6, 2)) * 1000 + field(9, 3);
        };
        const uint64_t first = stamp(0), last = stamp(log.rfind('\n', at) + 1);
        return last >= first ? last - first : last + 86400000 - first;  // across midnight
    }
    std::string LastLogLine() const {
        std::string log = Log();
        if (!log.empty()) log.pop_back();
        return log.substr(log.rfind('\n') + 1 + 16);  // past the time stamp
    }
    void WriteLoaderFiles() {
        WriteFile(Path("ram_patch.bin"), Pattern(328 + 548 * 4 + 100, 9));
        WriteFile(Path("sig_pub.der"), Pattern(294, 3));
    }
};

TEST_F(PirrowRobustness, BusyPortFailsAtOnceWithItsCause) {
    StartDevice("QM2B", "loader");
    platform::SerialPort holder;
    ASSERT_TRUE(holder.Open(device_.PtyPath(), 1000000));
    ToolRun run = Pirrow({"--func", "3", "--device", "QM2B"});
    EXPECT_EQ(run.exitCode, 255);
    const std::string log = Log();
    EXPECT_LT(LoggedAfterMs(" open fail \n"), 3000u) << log;  // a second user is refused, not waited out
    EXPECT_NE(log.find("uart " + device_.PtyPath() + " open fail \n"), std::string::npos) << log;
    EXPECT_NE(log.find("X uart " + device_.PtyPath() + " open: Device or resource busy\n"), std::string::npos) << log;
    holder.Close();
    EXPECT_EQ(Pirrow({"--func", "3", "--device", "QM2B"}).exitCode, 0) << Log();
}

// The limits on the time to end are safety nets far beyond the moment the
// tool takes; they only tell an interrupted job from one that ran on.
TEST_F(PirrowRobustness, SigtermDuringADownloadEndsItAtOnce) {
    WriteFile(Path("app.bin"), Pattern(0x400000, 4));  // some 40 s on the wire
    WriteFile(Path("burn.txt"), "[FILEINFO]\r\nNUM=1\r\nADDR0=0x10020000\r\nFILE0=app.bin\r\n");
    StartDevice("QM2B", "loader", {"--rate-limit"});
    platform::ChildProcess tool;
    StartPirrow(tool, {"--func", "0", "--device", "QM2B", "--file", "burn.txt"});
    std::string out;
    ASSERT_TRUE(AwaitLogged(tool, out, "burn_erase_write ")) << Log();
    platform::SystemClock().SleepMs(300);  // well inside the first block
    EXPECT_LT(Terminate(tool, out), 20000u);
    EXPECT_EQ(tool.Wait(), 255);
    EXPECT_NE(Log().find("X interrupted\n"), std::string::npos) << Log();
    EXPECT_EQ(LastLogLine(), "FINAL_FAIL bd");
}

// Between two record commands the loader is told to restart: the next job
// finds the boot ROM and boots the device again.
TEST_F(PirrowRobustness, SigtermBetweenRecordsLeavesTheDeviceBootable) {
    WriteLoaderFiles();
    WriteFile(Path("BLE_SN_1.bin"),
              common::EncodeOtpRecords({{1, {1, 2, 3, 4, 5, 6}}, {2, {'S', 'N', '1'}}, {8, {'b', 'l', 'e'}}}));
    WriteFile(Path("burn.txt"),
              "[FILEINFO]\r\nNUM=1\r\nADDR0=0\r\nFILE0=BLE_SN_1.bin\r\n"
              "[UART_PRESET]\r\nRAM_PATCH=ram_patch.bin\r\nSIG_PUB=sig_pub.der\r\n");
    StartDevice("QM2B", "bootrom", {"--record-ms", "400"});
    const std::vector<std::string> job{"--func", "0", "--device", "QM2B", "--file", "burn.txt", "--loadram", "1"};
    platform::ChildProcess tool;
    StartPirrow(tool, job, "3000000");
    std::string out;
    ASSERT_TRUE(AwaitLogged(tool, out, "otpwrite: ", 2)) << Log();
    std::filesystem::remove(StatePath());
    EXPECT_LT(Terminate(tool, out), 10000u);
    EXPECT_EQ(tool.Wait(), 255);
    EXPECT_NE(Log().find("X interrupted\n"), std::string::npos) << Log();
    // The device saves its state when it restarts: it took the reset (on a
    // pseudo-terminal the next tool's purge could drop bytes not yet read).
    for (int i = 0; i < 1500 && !std::filesystem::exists(StatePath()); ++i) platform::SystemClock().SleepMs(20);
    EXPECT_TRUE(std::filesystem::exists(StatePath()));

    std::remove(LogPath().c_str());
    ToolRun again = Pirrow(job, "3000000");
    EXPECT_EQ(again.exitCode, 0) << Log();
    EXPECT_NE(Log().find("download_image success \n"), std::string::npos) << Log();
}

// The whole PCBA mask is on the console before the process ends (here the
// reset of --postact 1 still follows it).
TEST_F(PirrowRobustness, ExitcodeLineArrivesBeforeTheProcessEnds) {
    StartDevice("QM2B", "loader", {"--fw-fail", "wifi_info", "--fw-boot-ms", "0"});
    platform::ChildProcess tool;
    StartPirrow(tool, {"--func", "11", "--device", "QM2B", "--pcba", "0x204", "--postact", "1"});
    std::string out;
    bool runningAtExitcode = false;
    while (tool.ReadAvailable(out, 100)) {
        if (out.find("exitcode:") != std::string::npos && out.back() == '\n') {
            runningAtExitcode = tool.Running();
            break;
        }
    }
    while (tool.ReadAvailable(out, 100)) {
    }
    EXPECT_EQ(tool.Wait(), 255);  // 0x200: low byte 0
    EXPECT_TRUE(runningAtExitcode);
    EXPECT_EQ(out.substr(out.rfind("percent:")), "percent:100 \nexitcode:0x200\n");
}

}  // namespace
