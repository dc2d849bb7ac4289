// The UART tool's flash read and erase jobs, factory record jobs and
// calibrations, run as the station runs them, against a virtual device whose
// RAM loader is already running.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/clock.h"
#include "platform/serial_port.h"
#include "tests/support/tool_e2e.h"

namespace {

namespace fs = std::filesystem;

using testing_support::FileText;
using testing_support::ToolRun;

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> data(n);
    for (size_t i = 0; i < n; ++i) data[i] = uint8_t(i * 13 + seed);
    return data;
}

class FlashFactoryE2e : public testing_support::ToolE2e {
protected:
    // The RAM loader is already running on these devices.
    void StartDevice(const std::string& type, std::vector<std::string> faults = {}) {
        ToolE2e::StartDevice(type, "loader", std::move(faults));
    }

    // True when the RAM loader still answers at the loader rate (no reset).
    bool LoaderStillRuns() {
        platform::SerialPort port;
        if (!port.Open(device_.PtyPath(), 1000000)) return false;
        port.Purge();
        port.Write(std::string("otp_factory_read\r\n"));
        std::string text;
        for (int waited = 0; waited < 1500 && text.find("OTP_FACTORY_READ_OVER") == std::string::npos; waited += 10) {
            platform::SystemClock().SleepMs(10);
            uint8_t buf[1024];
            text.append(reinterpret_cast<const char*>(buf), port.Read(buf, sizeof buf));
        }
        return text.find("OTP_FACTORY_READ_OVER") != std::string::npos;
    }
};

TEST_F(FlashFactoryE2e, ReadToTheConsoleAndToAFile) {
    const std::vector<uint8_t> held = Pattern(0x400, 5);
    Seed("QM2B", {{0x10000000, held}});
    StartDevice("QM2B");

    ToolRun run = Pirrow({"--func", "1", "--raddr", "0x10000000", "--rlen", "0x400", "--postact", "1"});
    ASSERT_EQ(run.exitCode, 0) << FileText(LogPath());
    std::istringstream lines(run.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        char expected[80];
        const uint8_t* b = held.data() + count * 16;
        std::snprintf(expected, sizeof expected,
                      "%08x  %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X",
                      0x10000000 + count * 16, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10],
                      b[11], b[12], b[13], b[14], b[15]);
        EXPECT_EQ(line, expected);
        ++count;
    }
    EXPECT_EQ(count, 64);
    EXPECT_EQ(FileText(dir_ + "/testdata.bin"), std::string(held.begin(), held.end()));

    // At the working rate into a named file; the loader is handed back at its
    // starting rate and never reset.
    run = Pirrow({"--func", "1", "--raddr", "0x10000100", "--rlen", "0x100", "--file", "part.bin"}, "3000000");
    ASSERT_EQ(run.exitCode, 0) << FileText(LogPath());
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(FileText(dir_ + "/part.bin"), std::string(held.begin() + 0x100, held.begin() + 0x200));
    EXPECT_TRUE(LoaderStillRuns());
    const std::string log = FileText(LogPath());
    EXPECT_NE(log.find("data trans over\n"), std::string::npos);
    EXPECT_NE(log.find("ReadUart() pass\n"), std::string::npos);
}

struct EraseCase {
    const char* type;
    const char* job;
    std::vector<uint32_t> erased;
    std::vector<uint32_t> kept;
};

TEST_F(FlashFactoryE2e, WholeFlashEraseOfEachFamily) {
    const uint32_t nandFactoryArea = 0x62000000 + 0x2000000 - 0x100000;
    const EraseCase cases[] = {
        {"QM2B", "3", {0x10000000, 0x64000000}, {}},
        {"QM2C", "3", {0x1C000000, 0x14000000}, {0x18000000}},
        {"QM2C_NAND", "3", {0x1C000000, 0x64000000}, {0x68000000}},
        {"QM2E", "3", {0x1C000000, 0x14000000, 0x18000000}, {}},
        {"QM2E_NAND", "3", {0x1C000000, 0x64000000, 0x68000000}, {}},
        {"QM2A", "3", {0x10000000, 0x12000000}, {}},
        {"QM2A_NAND", "3", {0x62000000, nandFactoryArea}, {0x12000000}},
        {"QM2A_NAND", "7", {0x62000000}, {0x12000000, nandFactoryArea}},
        {"QM2D", "3", {}, {0x10000000, 0x64000000}},
    };
    const std::vector<uint8_t> bytes = Pattern(64, 9);
    for (const EraseCase& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " job " + c.job);
        std::vector<std::pair<uint32_t, std::vector<uint8_t>>> seed;
        for (uint32_t a : c.erased) seed.push_back({a, bytes});
        for (uint32_t a : c.kept) seed.push_back({a, bytes});
        Seed(c.type, seed);
        StartDevice(c.type);
        ToolRun run = Pirrow({"--func", c.job, "--device", c.type, "--raddr", "0x1000", "--rlen", "0x1000",
                              "--postact", "1"});
        EXPECT_EQ(run.exitCode, 0) << FileText(LogPath());
        EXPECT_EQ(run.out.rfind("percent:10 \n", 0), 0u);
        EXPECT_EQ(run.out.substr(run.out.size() - 13), "percent:100 \n");
        EXPECT_TRUE(LoaderStillRuns());
        const devsim::StateFile state = StopDevice();
        std::vector<uint8_t> back;
        for (uint32_t a : c.erased) {
            ASSERT_TRUE(state.state.flash.Read(a, 64, back));
            EXPECT_EQ(back, std::vector<uint8_t>(64, 0xFF)) << std::hex << a;
        }
        for (uint32_t a : c.kept) {
            ASSERT_TRUE(state.state.flash.Read(a, 64, back));
            EXPECT_EQ(back, bytes) << std::hex << a;
        }
        fs::remove(StatePath());
    }
}

TEST_F(FlashFactoryE2e, RangeErase) {
    Seed("QM2B", {{0x10000000, Pattern(0x20000, 3)}});
    StartDevice("QM2B");
    ToolRun run = Pirrow({"--func", "2", "--raddr", "0x10000000", "--rlen", "0x10000"});
    EXPECT_EQ(run.exitCode, 0) << FileText(LogPath());
    EXPECT_EQ(run.out.substr(run.out.size() - 25), "percent:90 \npercent:100 \n");
    const devsim::StateFile state = StopDevice();
    std::vector<uint8_t> back;
    ASSERT_TRUE(state.state.flash.Read(0x10000000, 0x20000, back));
    EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + 0x10000), std::vector<uint8_t>(0x10000, 0xFF));
    const std::vector<uint8_t> held = Pattern(0x20000, 3);
    EXPECT_TRUE(std::equal(back.begin() + 0x10000, back.end(), held.begin() + 0x10000));
}

TEST_F(FlashFactoryE2e, FactoryRecordsWrittenReadAndChecked) {
    StartDevice("QM2B");
    for (const char* command : {"otp_factory_write 1 060504030201", "otp_factory_write 11 \"pk-01\"",
                                "otp_factory_write 12 \"dn-01\""}) {
        ToolRun run = Pirrow({"--func", "12", "--fish", command});
        EXPECT_EQ(run.exitCode, 0) << FileText(LogPath());
        EXPECT_EQ(run.out, "percent:1 \n");
    }
    // Another value for a record that holds one already is refused.
    EXPECT_EQ(Pirrow({"--func", "12", "--fish", "otp_factory_write 12 \"dn-02\""}).exitCode, 255);

    ToolRun read = Pirrow({"--func", "15"});
    EXPECT_EQ(read.exitCode, 0);
    EXPECT_EQ(read.out,
              "FACTORY_CFG_ID_MAC:060504030201\r\nFACTORY_CFG_ID_ALIPAY_PK:pk-01\r\nFACTORY_CFG_ID_ALIPAY_DN:dn-01\r\n"
              "OTP_FACTORY_READ_OVER\r\n");

    ToolRun check = Pirrow({"--func", "13"});
    EXPECT_EQ(check.exitCode, 255);
    EXPECT_EQ(check.out, "");
    EXPECT_NE(FileText(LogPath()).find("AlpayCheck() fail\n"), std::string::npos);

    ASSERT_EQ(Pirrow({"--func", "12", "--fish", "otp_factory_write 13 \"ds-01\""}).exitCode, 0);
    check = Pirrow({"--func", "13"});
    EXPECT_EQ(check.exitCode, 0) << FileText(LogPath());
    EXPECT_EQ(check.out, "");

    const devsim::StateFile state = StopDevice();
    ASSERT_NE(state.state.otp.Find(13), nullptr);
    EXPECT_EQ(state.state.otp.Find(13)->bytes, (std::vector<uint8_t>{'d', 's', '-', '0', '1'}));
}

TEST_F(FlashFactoryE2e, CrystalCalibrationPassesAndResets) {
    StartDevice("QM2B");
    ToolRun run = Pirrow({"--func", "8", "--fish", "crystal_cali 8 5 25", "--postact", "1"});
    EXPECT_EQ(run.exitCode, 0) << FileText(LogPath());
    EXPECT_EQ(run.out.rfind("percent:10 \npercent:13 \n", 0), 0u);
    EXPECT_EQ(run.out.substr(run.out.size() - 13), "percent:100 \n");
    EXPECT_NE(FileText(LogPath()).find("waitSecond: 27\n"), std::string::npos);
    EXPECT_FALSE(LoaderStillRuns());
}

TEST_F(FlashFactoryE2e, CrystalCalibrationFailureIsFinal) {
    StartDevice("QM2B", {"--crystal", "fail"});
    ToolRun run = Pirrow({"--func", "8"});
    EXPECT_EQ(run.exitCode, 255);
    const std::string log = FileText(LogPath());
    EXPECT_EQ(log.find("retry"), std::string::npos);
    EXPECT_NE(log.find("CaliCrystal() fail\n"), std::string::npos);
    EXPECT_TRUE(LoaderStillRuns());
}

TEST_F(FlashFactoryE2e, CrystalCommandNotTakenIsRetriedOnceThenResets) {
    StartDevice("QM2B", {"--silent-command", "crystal_cali"});
    ToolRun run = Pirrow({"--func", "8", "--postact", "1"});
    EXPECT_EQ(run.exitCode, 255);
    const std::string log = FileText(LogPath());
    const size_t retry = log.find("retry ... \n");
    ASSERT_NE(retry, std::string::npos);
    EXPECT_EQ(log.rfind("retry ... \n"), retry);
    EXPECT_NE(log.find("waitSecond: 22\n", retry), std::string::npos);
    EXPECT_FALSE(LoaderStillRuns());
}

TEST_F(FlashFactoryE2e, BatteryCalibration) {
    StartDevice("QM2B");
    ToolRun run = Pirrow({"--func", "9"});
    EXPECT_EQ(run.exitCode, 0) << FileText(LogPath());
    EXPECT_EQ(run.out.substr(run.out.size() - 13), "percent:100 \n");
    EXPECT_TRUE(LoaderStillRuns());

    StartDevice("QM2B", {"--battery", "fail"});
    run = Pirrow({"--func", "9", "--postact", "1"});
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_EQ(run.out.find("percent:100"), std::string::npos);
    EXPECT_FALSE(LoaderStillRuns());
}

}  // namespace
