// Quenlo's download and flash jobs against the virtual J-Link library.
#include <gmock/gmock.h>

#include <algorithm>

#include "tests/support/quenlo_e2e.h"

namespace testing_support {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class QuenloDownload : public QuenloE2e {};

TEST_F(QuenloDownload, BurnListImagesThenFactoryRecordsWithARetry) {
    const std::vector<uint8_t> app = Pattern(0x30000, 1);
    WriteFile(Path("app.bin"), app);
    WriteRamLoader();
    WriteRecordFile();
    WriteFile(Path("burn.txt"),
              "[FILEINFO]\nNUM=2\nFILE0=BLE_SN_3.bin\nADDR0=0\nFILE1=app.bin\nADDR1=0x10020000\n"
              "[RTT_CALI]\nRAM_PATCH=factory_cali.bin\n");
    setenv("DEVSIM_JLINK_DOWNLOAD_FAILS", "1", 1);
    ToolRun run = Quenlo({"--func", "0", "--device", "QM2B", "--file", "burn.txt", "--compare", "--verify",
                          "--retry", "1", "--baund", "20000", "--postact", "1"});
    EXPECT_EQ(run.exitCode, 0) << Log();
    EXPECT_EQ(run.out.find("exitcode:"), std::string::npos);
    // The bar never goes back, not even for the retry.
    std::vector<int> percents = Percents(run.out);
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << run.out;
    const std::string log = Log();
    EXPECT_THAT(log, HasSubstr("jlink_DownloadFile: app.bin  addr: 0x10020000  len: 196608 Byte\n"));
    EXPECT_THAT(log, HasSubstr("X jlink_DownloadFile error, retry: 0\n"));
    EXPECT_THAT(log, HasSubstr("    retry action:"));
    EXPECT_THAT(log, HasSubstr("w: otp_factory_write 1 665544332211\r\n"));
    EXPECT_THAT(log, HasSubstr("w: otp_factory_write 2 \"SN0001\"\r\n"));
    EXPECT_THAT(log, HasSubstr("jlink_Reset pass\n"));
    EXPECT_THAT(Messages(), HasSubstr("DownLoadSWD() pass\nFINAL_PASS\n"));
    devsim::StateFile state = State();
    std::vector<uint8_t> held;
    ASSERT_TRUE(state.state.flash.Read(0x10020000, uint32_t(app.size()), held));
    EXPECT_EQ(held, app);
    ASSERT_NE(state.state.otp.Find(1), nullptr);
    EXPECT_EQ(state.state.otp.Find(1)->bytes, (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));
    ASSERT_NE(state.state.otp.Find(2), nullptr);
}

// The records come from the entry the download set aside, wherever it stands
// in the list: the last "BLE_SN_" entry that is not skipped. Image bytes are
// never sent as records.
TEST_F(QuenloDownload, FactoryRecordsFromTheSetAsideEntryNotTheFirstFile) {
    WriteFile(Path("app.bin"), Pattern(0x1000, 8));
    WriteRamLoader();
    WriteFile(Path("BLE_SN_1.bin"), common::EncodeOtpRecords({{1, {1, 2, 3, 4, 5, 6}}}));
    WriteRecordFile("BLE_SN_3.bin");
    WriteFile(Path("BLE_SN_9.bin"), common::EncodeOtpRecords({{1, {9, 9, 9, 9, 9, 9}}}));
    WriteFile(Path("burn.txt"),
              "[FILEINFO]\nNUM=4\nFILE0=app.bin\nADDR0=0x10020000\nFILE1=BLE_SN_1.bin\nADDR1=0\n"
              "FILE2=BLE_SN_3.bin\nADDR2=0\nFILE3=BLE_SN_9.bin\nADDR3=0xFFFFFFFF\n"
              "[RTT_CALI]\nRAM_PATCH=factory_cali.bin\n");
    ToolRun run = Quenlo({"--func", "0", "--device", "QM2B", "--file", "burn.txt"});
    EXPECT_EQ(run.exitCode, 0) << Log();
    const std::string log = Messages();
    EXPECT_THAT(log, HasSubstr("w: otp_factory_write 1 665544332211\r\nw: otp_factory_write 2 \"SN0001\"\r\n"));
    size_t writes = 0;
    for (size_t at = log.find("w: "); at != std::string::npos; at = log.find("w: ", at + 1)) ++writes;
    EXPECT_EQ(writes, 2u) << log;
    ASSERT_NE(State().state.otp.Find(1), nullptr);
    EXPECT_EQ(State().state.otp.Find(1)->bytes, (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));
}

TEST_F(QuenloDownload, LastFailedAttemptFailsTheJob) {
    WriteFile(Path("app.bin"), Pattern(0x20000, 2));
    WriteFile(Path("burn.txt"), "[FILEINFO]\nNUM=1\nFILE0=app.bin\nADDR0=0x10020000\n");
    setenv("DEVSIM_JLINK_DOWNLOAD_FAILS", "2", 1);
    ToolRun run = Quenlo({"--func", "0", "--device", "QM2B", "--file", "burn.txt", "--retry", "1"});
    EXPECT_EQ(run.exitCode, 255);
    const std::string log = Log();
    EXPECT_THAT(log, HasSubstr("X jlink_DownloadFile error, retry: 0\n"));
    EXPECT_THAT(log, HasSubstr("errorinfo: Failed to program flash"));
    EXPECT_THAT(Messages(), HasSubstr("X jlink_DownloadFile error\nDownLoadSWD() fail\nFINAL_FAIL 1b281\n"));
}

TEST_F(QuenloDownload, BuildDirectoryByMapFileAndVectorTable) {
    std::filesystem::create_directory(Path("build"));
    WriteFile(Path("build/hcpu.map"), "  Load Region LR_IROM1 (Base: 0x10040000, Size: 0x00001000)\n");
    const std::vector<uint8_t> app = Pattern(0x1000, 3);
    WriteFile(Path("build/ER_IROM1.bin"), app);
    std::vector<uint8_t> boot = Pattern(0x800, 4);
    const uint32_t words[2] = {0x20010000, 0x10020145};
    std::memcpy(boot.data(), words, sizeof words);
    WriteFile(Path("build/bootloader.bin"), boot);
    ToolRun run = Quenlo({"--func", "0", "--device", "QM2B", "--path", "build"});
    EXPECT_EQ(run.exitCode, 0) << Log();
    const std::string log = Log();
    EXPECT_THAT(log, HasSubstr("无法打开 lcpu map 文件 !"));
    EXPECT_THAT(log, HasSubstr("addr: 0x10020000  len: 2048 Byte\n"));
    EXPECT_THAT(log, HasSubstr("addr: 0x10040000  len: 4096 Byte\n"));
    EXPECT_EQ(FlashAt(0x10040000, 0x1000), app);
    EXPECT_EQ(FlashAt(0x10020000, 0x800), boot);
}

TEST_F(QuenloDownload, BadListsFailBeforeTheProbe) {
    WriteFile(Path("burn.txt"), "[FILEINFO]\nNUM=21\n");
    ToolRun tooMany = Quenlo({"--func", "0", "--device", "QM2B", "--file", "burn.txt"});
    EXPECT_EQ(tooMany.exitCode, 255);
    EXPECT_EQ(Messages(), "LibInit() pass\nerror: too many files > 20 \nGetBurnList fail\nFINAL_FAIL 1a281\n");
    WriteFile(Path("burn.txt"), "[FILEINFO]\nNUM=1\nFILE0=missing.bin\nADDR0=0x10020000\n");
    ToolRun missing = Quenlo({"--func", "0", "--device", "QM2B", "--file", "burn.txt"});
    EXPECT_EQ(missing.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("file: missing.bin can't open\nGetBurnList fail\n"));
    EXPECT_THAT(Log(), Not(HasSubstr("jlink_IsOpen")));
    // A directory where the records should be is a file that cannot be opened.
    std::filesystem::create_directory(Path("BLE_SN_7.bin"));
    WriteFile(Path("burn.txt"), "[FILEINFO]\nNUM=1\nFILE0=BLE_SN_7.bin\nADDR0=0\n");
    ToolRun directory = Quenlo({"--func", "0", "--device", "QM2B", "--file", "burn.txt"});
    EXPECT_EQ(directory.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("file: BLE_SN_7.bin can't open\nGetBurnList fail\nFINAL_FAIL 1a281\n"));
}

TEST_F(QuenloDownload, CommandLineAndLibraryFailures) {
    // The usage text names Windows paths with one backslash between names.
    ToolRun help = Quenlo({"--log", LogPath(), "--help"}, false);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(Messages(), HasSubstr("--path  //download bin path. eg: d:\\images\n"));
    EXPECT_THAT(Messages(), HasSubstr("eg \"C:\\Program Files (x86)\\SEGGER\\JLink\\JLinkARM.dll\" \n"));
    std::filesystem::remove(LogPath());
    // A repeated option ends the run before the library is loaded.
    ToolRun twice = Quenlo({"--func", "0", "--func", "1"});
    EXPECT_EQ(twice.exitCode, 255);
    EXPECT_EQ(Messages(), "FINAL_FAIL 18081\n");
    // No library in the named directory and none anywhere else.
    std::filesystem::create_directory(Path("empty"));
    ToolRun noLib = Quenlo({"--sn", "1", "--dll", Path("empty"), "--log", LogPath(), "--device", "QM2B"}, false);
    EXPECT_EQ(noLib.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("X hModule null\nLibInit() fail\nFINAL_FAIL 18280\n"));
    // A probe that is not attached, and one without a target.
    ToolRun otherProbe = Quenlo({"--sn", "12345", "--dll", LibraryDir(), "--log", LogPath(), "--device", "QM2B",
                                 "--func", "3"}, false);
    EXPECT_EQ(otherProbe.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("X jlink_IsOpen error: 12345\nEraseAllSWD() fail\n"));
    // A QM2C behind the probe of a QM2B channel.
    setenv("DEVSIM_JLINK_DEVICE", "QM2C", 1);
    ToolRun otherChip = Quenlo({"--func", "3", "--device", "QM2B"});
    EXPECT_EQ(otherChip.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("X jlink_IsConnected error\nEraseAllSWD() fail\n"));
    unsetenv("DEVSIM_JLINK_DEVICE");
    setenv("DEVSIM_JLINK_NO_TARGET", "1", 1);
    ToolRun noTarget = Quenlo({"--func", "3", "--device", "QM2B"});
    EXPECT_EQ(noTarget.exitCode, 255);
    const std::string log = Messages();
    EXPECT_NE(log.find("X jlink_IsConnected error\n"), log.rfind("X jlink_IsConnected error\n"));
}

TEST_F(QuenloDownload, MemoryJobs) {
    Seed("QM2B", {{0x10000000, Pattern(0x2000, 5)}, {0x10100000, Pattern(0x400, 6)}});
    // A read of 20 bytes at 0x10000008 reads 28 from 0x10000000: one full line, one of 12.
    ToolRun dump = Quenlo({"--func", "1", "--device", "QM2B", "--raddr", "0x10000008", "--rlen", "20"});
    EXPECT_EQ(dump.exitCode, 0) << Log();
    const std::vector<uint8_t> head = Pattern(0x2000, 5);
    char line[128];
    std::snprintf(line, sizeof line, "10000010:  %02X  %02X  %02X  %02X  %02X  %02X  %02X  %02X  %02X  %02X  %02X  %02X  \n",
                  head[16], head[17], head[18], head[19], head[20], head[21], head[22], head[23], head[24],
                  head[25], head[26], head[27]);
    EXPECT_THAT(dump.out, HasSubstr(line));
    EXPECT_EQ(std::count(dump.out.begin(), dump.out.end(), '\n'), 2);

    ToolRun toFile = Quenlo({"--func", "1", "--device", "QM2B", "--raddr", "0x10000000", "--rlen", "0x2000",
                             "--file", "read.bin"});
    EXPECT_EQ(toFile.exitCode, 0);
    EXPECT_EQ(FileText(Path("read.bin")), std::string(head.begin(), head.end()));

    // A range erase of 16 bytes erases 1024.
    ToolRun erase = Quenlo({"--func", "2", "--device", "QM2B", "--raddr", "0x10000000", "--rlen", "16"});
    EXPECT_EQ(erase.exitCode, 0) << Log();
    EXPECT_EQ(FlashAt(0x10000000, 0x400), std::vector<uint8_t>(0x400, 0xFF));
    EXPECT_EQ(FlashAt(0x10000400, 0x10), std::vector<uint8_t>(head.begin() + 0x400, head.begin() + 0x410));

    // The whole chip but the production area.
    ToolRun normal = Quenlo({"--func", "7", "--device", "QM2B", "--raddr", "0x10100000", "--rlen", "0x400"});
    EXPECT_EQ(normal.exitCode, 0) << Log();
    EXPECT_EQ(FlashAt(0x10100000, 0x400), Pattern(0x400, 6));
    EXPECT_EQ(FlashAt(0x10000400, 0x10), std::vector<uint8_t>(0x10, 0xFF));
    EXPECT_THAT(Messages(), HasSubstr("jlink_WriteMemEx addr:0x10100000 len:0x400 ret:0x400\nEraseNormalSWD() pass\n"));

    ToolRun zero = Quenlo({"--func", "1", "--device", "QM2B", "--raddr", "0", "--rlen", "0"});
    EXPECT_EQ(zero.exitCode, 0);
    EXPECT_EQ(zero.out, "");

    // Rounded down to its line, this length would wrap to 14 bytes: refused before the probe.
    ToolRun wrap = Quenlo({"--func", "1", "--device", "QM2B", "--raddr", "0x1000000F", "--rlen", "0xFFFFFFFF"});
    EXPECT_EQ(wrap.exitCode, 255);
    EXPECT_EQ(wrap.out, "");
    EXPECT_THAT(Messages(), HasSubstr("LibInit() pass\nX read range 0x1000000f len 0xffffffff runs past 0xFFFFFFFF\n"
                                      "ReadSWD() fail\nFINAL_FAIL 18e81\n"));
    // A range that runs over the top of the address space would wrap to address 0.
    ToolRun top = Quenlo({"--func", "1", "--device", "QM2B", "--raddr", "0xFFFFF000", "--rlen", "0x2000"});
    EXPECT_EQ(top.exitCode, 255);
    EXPECT_THAT(Messages(), HasSubstr("X read range 0xfffff000 len 0x2000 runs past 0xFFFFFFFF\n"));
}

TEST_F(QuenloDownload, ChipEraseCountsItsStages) {
    Seed("QM2B", {{0x10000000, Pattern(0x1000, 7)}});
    ToolRun run = Quenlo({"--func", "3", "--device", "QM2B"});
    EXPECT_EQ(run.exitCode, 0) << Log();
    std::vector<int> percents = Percents(run.out);
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(FlashAt(0x10000000, 0x1000), std::vector<uint8_t>(0x1000, 0xFF));
    EXPECT_THAT(Messages(), HasSubstr("EraseAllSWD() pass\nFINAL_PASS\n"));
}

}  // namespace
}  // namespace testing_support
