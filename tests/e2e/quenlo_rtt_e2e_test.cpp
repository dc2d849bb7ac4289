// Quenlo's RTT jobs (factory records, calibrations, PCBA test) against the
// RAM loader and the factory firmware behind the virtual J-Link library.
#include <gmock/gmock.h>

#include "tests/support/quenlo_e2e.h"

namespace testing_support {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

class QuenloRtt : public QuenloE2e {
protected:
    void SetUp() override {
        QuenloE2e::SetUp();
        std::filesystem::create_directory(Path("build"));
        WriteRamLoader("build/factory_cali.bin");
    }
    // An RTT job with the RAM loader of the build directory.
    ToolRun Job(const std::string& func, std::vector<std::string> options = {}) {
        std::vector<std::string> args{"--func", func, "--device", "QM2B", "--path", "build"};
        args.insert(args.end(), options.begin(), options.end());
        return Quenlo(args);
    }
};

TEST_F(QuenloRtt, FactoryRecordWriteReadAndPaymentCheck) {
    ToolRun write = Job("12", {"--fish", "otp_factory_write 2 \"SN0042\""});
    EXPECT_EQ(write.exitCode, 0) << Log();
    EXPECT_THAT(Messages(), HasSubstr("w: otp_factory_write 2 \"SN0042\"\r\n"));
    ToolRun read = Job("15");
    EXPECT_EQ(read.exitCode, 0) << Log();
    EXPECT_THAT(read.out, HasSubstr("SN0042"));
    EXPECT_THAT(read.out, HasSubstr("OTP_FACTORY_READ_OVER"));
    // The read-back text reaches the log once, as printed.
    const std::string log = Messages();
    EXPECT_EQ(log.find("OTP_FACTORY_READ_OVER"), log.rfind("OTP_FACTORY_READ_OVER"));
    // Without the payment keys and the MAC the check fails (after its six reads).
    ToolRun pay = Job("13", {"--facaddr", "0"});
    EXPECT_EQ(pay.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("AlpayCheck() fail\n"));
    ToolRun noFacAddr = Job("13");
    EXPECT_EQ(noFacAddr.exitCode, 255);
    // Without --facaddr the job fails before it touches the probe.
    EXPECT_THAT(Messages(), EndsWith("LibInit() pass\nAlpayCheck() fail\nFINAL_FAIL 1c281\n"));
}

TEST_F(QuenloRtt, CalibrationsEndWhenTheDeviceAnswers) {
    setenv("DEVSIM_JLINK_OPTIONS", "--crystal-ms 300 --battery fail --battery-ms 200", 1);
    ToolRun crystal = Job("8", {"--fish", "crystal_cali 8 5 3"});
    EXPECT_EQ(crystal.exitCode, 0) << Log();
    EXPECT_THAT(Messages(), HasSubstr("caliSecond: 3\n"));
    EXPECT_THAT(crystal.out, EndsWith("percent:30 \npercent:100 \n"));
    ToolRun battery = Job("9");
    EXPECT_EQ(battery.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("w: battery_cali 4000 400 30 1000 220\n"));
    EXPECT_THAT(Messages(), HasSubstr("X jlink_RTTERMINAL_Read error\nCaliBattery() fail\n"));
}

// A device that stays silent: the wait keeps its rounds and progress lines
// and polls the terminal at most every 50 ms (an answer would still be
// taken that soon), not as fast as it can.
TEST_F(QuenloRtt, SilentCalibrationPollsTheTerminalSparingly) {
    setenv("DEVSIM_JLINK_OPTIONS", "--crystal-ms 600000", 1);
    setenv("DEVSIM_JLINK_CALL_COUNTS", Path("calls.txt").c_str(), 1);
    ToolRun crystal = Job("8", {"--fish", "crystal_cali 8 5 3"});
    EXPECT_EQ(crystal.exitCode, 255);
    EXPECT_EQ(crystal.out, "percent:1 \npercent:5 \npercent:30 \npercent:30 \npercent:33 \npercent:36 \npercent:39 \n");
    EXPECT_THAT(Messages(), HasSubstr("X jlink_RTTERMINAL_Read error\nCaliCrystal() fail\n"));
    const std::string calls = FileText(Path("calls.txt"));
    const size_t at = calls.find("JLINK_RTTERMINAL_Read ");
    ASSERT_NE(at, std::string::npos) << calls;
    const int reads = std::atoi(calls.c_str() + at + 22);
    // Four described reads, three 1000 ms waits polled every 50 ms, and the
    // few reads that empty the terminal after the loader starts.
    EXPECT_GE(reads, 4);
    EXPECT_LE(reads, 4 + 3 * 1000 / 50 + 6) << calls;
}

TEST_F(QuenloRtt, LoaderFailures) {
    // A RAM loader whose vector words are 0.
    WriteFile(Path("build/factory_cali.bin"), std::vector<uint8_t>(64, 0));
    ToolRun zero = Job("12", {"--fish", "otp_factory_write 2 \"X\""});
    EXPECT_EQ(zero.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("X spAddr(0x0) or pcAddr(0x0) error\nWrFactoryOtp() fail\n"));
    // A directory in the loader's place cannot be opened.
    std::filesystem::remove(Path("build/factory_cali.bin"));
    std::filesystem::create_directory(Path("build/factory_cali.bin"));
    ToolRun directory = Job("12", {"--fish", "otp_factory_write 2 \"X\""});
    EXPECT_EQ(directory.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("X file open error: build/factory_cali.bin\nWrFactoryOtp() fail\n"));
    std::filesystem::remove(Path("build/factory_cali.bin"));
    // A program without an RTT control block.
    WriteRamLoader("build/factory_cali.bin");
    setenv("DEVSIM_JLINK_NO_RTT", "1", 1);
    ToolRun noRtt = Job("15");
    EXPECT_EQ(noRtt.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("X jlink_rtt_connect error\nRdFactoryOtp() fail\n"));
}

TEST_F(QuenloRtt, PcbaAllItemsPass) {
    ToolRun run = Job("11", {"--pcba", "0x1ff", "--third", "1", "--blename", "norva_ble", "--fwver", "v1.0.0.1"});
    EXPECT_EQ(run.exitCode, 0) << Log();
    EXPECT_THAT(run.out, HasSubstr("bt_name:norva_bt\nbt_version:v1.0.0.1\nsw_name:norva_sw\nsw_version:v1.0.0.1\n"));
    EXPECT_THAT(run.out, HasSubstr("thirdfunc:1\npercent:100 \n"));
    EXPECT_THAT(run.out, Not(HasSubstr("exitcode:")));
    EXPECT_THAT(Messages(), HasSubstr("PcbaTest() pass\nFINAL_PASS\n"));
}

TEST_F(QuenloRtt, PcbaBluetoothFailingTwice) {
    setenv("DEVSIM_JLINK_OPTIONS", "--fw-fail bt", 1);
    ToolRun run = Job("11", {"--pcba", "0x2"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.out, EndsWith("percent:100 \nexitcode:0x2\n"));
    const std::string log = Messages();
    const size_t first = log.find("X jlink_RTTERMINAL_Read  Factory_bt_status:OK error\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("X jlink_RTTERMINAL_Read  Factory_bt_status:OK error\n", first + 1), std::string::npos);
}

TEST_F(QuenloRtt, PcbaMaskOutsideTheItemsAndUnsupportedDevice) {
    // Bit 10 names no item: it runs nothing and stays set; the whole status reaches the caller.
    ToolRun high = Job("11", {"--pcba", "0x400"});
    EXPECT_EQ(high.exitCode, 255);
    EXPECT_THAT(high.out, EndsWith("percent:95 \npercent:100 \nexitcode:0x400\n"));
    EXPECT_THAT(Messages(), Not(HasSubstr("Factory get_info")));
    ToolRun qm2d = Quenlo({"--func", "11", "--device", "QM2D", "--pcba", "0x1ff"});
    EXPECT_EQ(qm2d.exitCode, 255);
    EXPECT_THAT(qm2d.out, EndsWith("exitcode:0x1ff\n"));
}

}  // namespace
}  // namespace testing_support
