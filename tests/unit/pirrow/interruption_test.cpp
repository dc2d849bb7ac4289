#include <gtest/gtest.h>

#include <fstream>

#include "common/otp_record_file.h"
#include "pirrow/jobs.h"
#include "platform/stop_signal.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"
#include "tests/unit/common/test_files.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

// A job that a stop request (SIGINT, SIGTERM) ends at its next wait.
struct Interruption : ::testing::Test {
    ScriptedSession f;
    common_test::TempDir scratch;
    const std::string dir = scratch.path();
    std::string console;

    void SetUp() override { ASSERT_FALSE(dir.empty()); }
    void TearDown() override { platform::ClearStopRequest(); }
    void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    int32_t Run(std::vector<std::string> options) {
        std::vector<std::string> args{"Pirrow", "--log", f.logPath, "--port", "ttyTEST", "--baund", "1000000"};
        args.insert(args.end(), options.begin(), options.end());
        CaptureStdout out;
        const int32_t status = pirrow::RunPirrow(args, f.session);
        console = out.Finish();
        return status;
    }
    std::string LogTail(size_t lines) const {
        const std::string log = f.Log();
        size_t at = log.size();
        for (size_t i = 0; i <= lines && at != std::string::npos && at > 0; ++i) at = log.rfind('\n', at - 1);
        std::string tail;
        for (size_t pos = at == std::string::npos ? 0 : at + 1; pos < log.size();) {
            const size_t end = log.find('\n', pos);
            tail += log.substr(pos + 16, end - pos - 16 + 1);  // past the time stamp
            pos = end + 1;
        }
        return tail;
    }
};

// Between two record commands the loader waits for its next command: it is
// told to restart into its boot ROM, so the next job can boot it again.
TEST_F(Interruption, BetweenRecordCommandsTheLoaderIsResetAndTheJobFails) {
    WriteFile("BLE_SN_1.bin", common::EncodeOtpRecords({{1, {1, 2, 3, 4, 5, 6}}, {2, {'S', 'N'}}, {8, {'b'}}}));
    std::ofstream(dir + "/burn.txt") << "[FILEINFO]\nNUM=1\nADDR0=0\nFILE0=" << dir << "/BLE_SN_1.bin\n";
    int records = 0;
    uint64_t stopAt = 0;
    f.onWrite = [&](ScriptedLink& link, const std::string& w) {
        if (w.rfind("otp_factory_write", 0) != 0) return;
        link.Reply("OTP_FACTORY_WRITE_PASS\r\n", 20);
        if (++records == 2) {
            stopAt = f.clock.NowMs();
            platform::RequestStop();
        }
    };
    EXPECT_EQ(Run({"--func", "0", "--file", dir + "/burn.txt"}), -1);
    EXPECT_EQ(records, 2);
    EXPECT_EQ(f.link().writes.back(), "burn_reset\r");
    EXPECT_FALSE(f.link().IsOpen());
    EXPECT_EQ(f.clock.NowMs() - stopAt, 100u);  // the reset's pause only
    EXPECT_EQ(LogTail(2), "X interrupted\nFINAL_FAIL ad\n");
    EXPECT_EQ(console, "");
}

// Inside an image transfer anything sent would be image data: nothing more
// goes out, and what is still queued is dropped.
TEST_F(Interruption, InsideAnImageTransferNothingMoreIsSent) {
    WriteFile("app.bin", std::vector<uint8_t>(0x40000, 0xA5));
    std::ofstream(dir + "/burn.txt") << "[FILEINFO]\nNUM=1\nADDR0=0x10020000\nFILE0=" << dir << "/app.bin\n";
    f.onWrite = [&](ScriptedLink& link, const std::string& w) {
        if (w.rfind("burn_erase_write", 0) == 0) link.Reply("RX_WAIT\r\n", 5);
        if (w.size() == 0x20000) platform::RequestStop();
    };
    EXPECT_EQ(Run({"--func", "0", "--file", dir + "/burn.txt", "--postact", "1"}), -1);
    ScriptedLink& link = f.link();
    EXPECT_EQ(link.writes.back().size(), 0x20000u);
    EXPECT_EQ(link.written.find("burn_reset"), std::string::npos);
    EXPECT_GE(link.purges, 2);  // the open's, and the abandoned block's
    EXPECT_EQ(LogTail(2), "X interrupted\nFINAL_FAIL af\n");
}

// An interrupted PCBA test hands back the items not yet passed.
TEST_F(Interruption, PcbaTestReturnsTheItemsNotYetPassed) {
    f.onWrite = [&](ScriptedLink& link, const std::string& w) {
        if (w == "Factory enter_test\r\n") link.Reply("Factory_enter_test_status:OK\r\n", 10);
        if (w == "Factory gsensor\r\n") link.Reply("Factory_gsensor_status:OK\r\n", 10);
        if (w == "Factory ble_mac\r\n") platform::RequestStop();
    };
    EXPECT_EQ(Run({"--func", "11", "--device", "QM2B", "--pcba", "0x20c", "--postact", "1"}), 0x208);
    EXPECT_EQ(f.link().writes.back(), "Factory ble_mac\r\n");  // the application gets no loader reset
    EXPECT_EQ(console.substr(console.rfind("percent:")), "percent:65 \nexitcode:0x208\n");
    EXPECT_EQ(LogTail(2), "X interrupted\nFINAL_FAIL 29f\n");
}

}  // namespace
