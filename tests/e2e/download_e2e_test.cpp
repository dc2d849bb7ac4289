// The download job end to end: the real Pirrow against a virtual QM2B on a
// pseudo-terminal, checked by what the device holds afterwards.
#include <gtest/gtest.h>

#include "common/otp_record_file.h"
#include "station/engine/burnlist/image_packer.h"
#include "tests/support/image_packer.h"
#include "tests/support/tool_e2e.h"

namespace {

using testing_support::Pattern;
using testing_support::ToolRun;
using testing_support::WriteFile;

constexpr uint32_t kAppAddress = 0x10020000;

class Download : public testing_support::ToolE2e {
protected:
    // A burn list of plain images (and optional extra lines) plus a loader
    // and key beside it.
    void WriteList(const std::vector<std::pair<uint32_t, std::string>>& files, const std::string& extra = "") {
        std::string list = "[FILEINFO]\r\nNUM=" + std::to_string(files.size()) + "\r\n";
        for (size_t i = 0; i < files.size(); ++i) {
            char addr[32];
            std::snprintf(addr, sizeof addr, "0x%x", files[i].first);
            list += "ADDR" + std::to_string(i) + "=" + addr + "\r\n";
            list += files[i].second + "\r\n";
        }
        list += extra;
        list += "[UART_PRESET]\r\nRAM_PATCH=ram_patch.bin\r\nSIG_PUB=sig_pub.der\r\n";
        WriteFile(Path("burn.txt"), list);
        WriteFile(Path("ram_patch.bin"), Pattern(328 + 548 * 4 + 100, 9));
        WriteFile(Path("sig_pub.der"), Pattern(294, 3));
    }

    std::vector<uint8_t> FlashAt(const devsim::StateFile& state, uint32_t address, uint32_t n) {
        std::vector<uint8_t> back;
        EXPECT_TRUE(state.state.flash.Read(address, n, back));
        return back;
    }

    std::vector<std::string> Base(const std::vector<std::string>& more = {}) {
        std::vector<std::string> args{"--func", "0", "--device", "QM2B", "--file", "burn.txt"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
};

TEST_F(Download, PlainImageThroughTheBootRomAtBothRates) {
    for (const std::string baud : {"1000000", "3000000"}) {
        const auto image = Pattern(0x50000 + 77, 1);
        WriteFile(Path("app.bin"), image);
        WriteList({{kAppAddress, "FILE0=app.bin"}});
        StartDevice("QM2B", "bootrom", {"--flash-timing"});
        ToolRun run = Pirrow(Base({"--loadram", "1"}), baud);
        EXPECT_EQ(run.exitCode, 0) << Log();
        EXPECT_NE(run.out.find("percent:99 \n"), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("exitcode:"), std::string::npos);
        const std::string log = Log();
        EXPECT_NE(log.find("download_image success \n"), std::string::npos);
        EXPECT_NE(log.find("DownLoadUart() pass\n"), std::string::npos);
        EXPECT_NE(log.find("FINAL_PASS\n"), std::string::npos);
        EXPECT_EQ(log.find("burn_speed") != std::string::npos, baud != "1000000") << log;
        auto state = StopDevice();
        EXPECT_EQ(FlashAt(state, kAppAddress, uint32_t(image.size())), image);
        std::remove(LogPath().c_str());
        std::remove(StatePath().c_str());
    }
}

TEST_F(Download, CompareVerifyNoEraseAndPostAct) {
    const auto image = Pattern(0x21000, 2);
    WriteFile(Path("app.bin"), image);
    WriteList({{kAppAddress, "FILE0=app.bin"}});
    Seed("QM2B", {{kAppAddress + 0x30000, {0x11, 0x22}}});
    StartDevice("QM2B", "loader");
    ToolRun first = Pirrow(Base({"--compare", "--verify", "--noerase"}), "3000000");
    EXPECT_EQ(first.exitCode, 0) << Log();
    std::string log = Log();
    EXPECT_NE(log.find("burn_noerase\r\n"), std::string::npos);
    EXPECT_EQ(log.find("compare match"), std::string::npos);
    // The same image again matches and is not written; --postact resets.
    ToolRun second = Pirrow(Base({"--compare", "--postact", "1"}), "3000000");
    EXPECT_EQ(second.exitCode, 0) << Log();
    log = Log();
    EXPECT_NE(log.find("compare match, no need to burn\n"), std::string::npos);
    EXPECT_NE(log.find("resetUe success \n"), std::string::npos);
    auto state = StopDevice();
    EXPECT_EQ(FlashAt(state, kAppAddress, uint32_t(image.size())), image);
    // --noerase kept what lay beyond the image in the erase unit.
    EXPECT_EQ(FlashAt(state, kAppAddress + 0x30000, 2), (std::vector<uint8_t>{0x11, 0x22}));
}

TEST_F(Download, CompressedImageAndFactoryRecords) {
    std::vector<uint8_t> image = testing_support::RepeatingData(0x200000 + 0x9000, 3000);
    const auto packed = station::PackImage(image.data(), image.size());
    ASSERT_LT(packed.size(), image.size() / 4);
    WriteFile(Path("big.gz"), packed);
    const auto records = common::EncodeOtpRecords(
        {{1, {1, 2, 3, 4, 5, 6}}, {2, {'S', 'N', '0', '1'}}, {15, {0x78, 0x56, 0x34, 0x12}}});
    WriteFile(Path("BLE_SN_3.bin"), records);
    WriteList({{0, "FILE0=BLE_SN_3.bin"}, {0x10100000, "FILEGZIP1=big.gz"}});
    StartDevice("QM2B", "loader");
    ToolRun run = Pirrow(Base(), "1000000");
    EXPECT_EQ(run.exitCode, 0) << Log();
    EXPECT_EQ(run.out.substr(run.out.size() - 13), "percent:100 \n");
    EXPECT_NE(Log().find("burn_erase_write_gzip 0x10100000 0x2\r\n"), std::string::npos);
    auto state = StopDevice();
    EXPECT_EQ(FlashAt(state, 0x10100000, uint32_t(image.size())), image);
    ASSERT_NE(state.state.otp.Find(1), nullptr);
    EXPECT_EQ(state.state.otp.Find(1)->bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    ASSERT_NE(state.state.otp.Find(2), nullptr);
    ASSERT_NE(state.state.otp.Find(15), nullptr);
}

TEST_F(Download, RecordFileAloneWritesOnlyRecords) {
    WriteFile(Path("BLE_SN_1.bin"), common::EncodeOtpRecords({{8, {'b', 'l', 'e'}}}));
    WriteList({{0, "FILE0=BLE_SN_1.bin"}});
    StartDevice("QM2B", "loader");
    EXPECT_EQ(Pirrow(Base()).exitCode, 0) << Log();
    EXPECT_EQ(Log().find("burn_erase_write"), std::string::npos);
    auto state = StopDevice();
    ASSERT_NE(state.state.otp.Find(8), nullptr);
}

TEST_F(Download, BadListsFailBeforeTheDeviceIsTouched) {
    StartDevice("QM2B", "loader", {"--fail-command", "burn_erase_write"});
    struct Case {
        std::string list;
        std::string logLine;
    };
    WriteFile(Path("short.gz"), std::vector<uint8_t>{1, 2, 3});
    WriteFile(Path("bad.hex"), std::string(":10000000ZZ\r\n"));
    const std::vector<Case> cases = {
        {"[FILEINFO]\r\nNUM=0\r\n", "error: no file found \n"},
        {"[FILEINFO]\r\nNUM=21\r\n", "error: too many files > 20 \n"},
        {"[FILEINFO]\r\nNUM=1\r\nADDR0=0\r\nFILE0=missing.bin\r\n", "can't open\n"},
        {"[FILEINFO]\r\nNUM=1\r\nADDR0=0\r\nFILEGZIP0=short.gz\r\n", "GetBurnList fail\n"},
        {"[FILEINFO]\r\nNUM=1\r\nADDR0=0\r\nFILE0=bad.hex\r\n", "GetBurnList fail\n"},
    };
    for (const auto& c : cases) {
        WriteFile(Path("burn.txt"), c.list);
        std::remove(LogPath().c_str());
        ToolRun run = Pirrow(Base());
        EXPECT_EQ(run.exitCode, 255) << c.list;
        const std::string log = Log();
        EXPECT_NE(log.find(c.logLine), std::string::npos) << c.list << log;
        EXPECT_EQ(log.find("uart "), std::string::npos) << "port opened for " << c.list;
    }
    EXPECT_NE(Pirrow({"--func", "0", "--file", "nowhere.txt"}).exitCode, 0);
}

TEST_F(Download, ShortRamLoaderIsRejectedBeforeSending) {
    WriteFile(Path("app.bin"), Pattern(100, 1));
    WriteList({{kAppAddress, "FILE0=app.bin"}});
    WriteFile(Path("ram_patch.bin"), Pattern(327, 9));
    StartDevice("QM2B", "bootrom");
    ToolRun run = Pirrow(Base({"--loadram", "1"}));
    EXPECT_EQ(run.exitCode, 255);
    const std::string log = Log();
    EXPECT_NE(log.find("RAM_PATCH too short"), std::string::npos) << log;
    EXPECT_EQ(log.find("dfu_recv 330"), std::string::npos);
}

TEST_F(Download, DeviceFaultsFailTheJob) {
    const auto image = Pattern(0x30000, 4);
    WriteFile(Path("app.bin"), image);
    WriteList({{kAppAddress, "FILE0=app.bin"}});
    struct Fault {
        std::vector<std::string> options;
        std::string logLine;
    };
    const std::vector<Fault> faults = {
        {{"--fail-command", "burn_erase_write"}, "download_image_simple_thread fail \n"},
        {{"--silent-command", "burn_erase_write"}, "download_image_simple_thread fail \n"},
        {{"--disconnect-after", "70000"}, "DownLoadUart fail \n"},
    };
    for (const auto& f : faults) {
        StartDevice("QM2B", "loader", f.options);
        std::remove(LogPath().c_str());
        ToolRun run = Pirrow(Base());
        EXPECT_EQ(run.exitCode, 255) << f.options[0];
        EXPECT_NE(Log().find(f.logLine), std::string::npos) << f.options[0] << Log();
        EXPECT_NE(Log().find("FINAL_FAIL"), std::string::npos);
        device_.Stop();
        std::remove(StatePath().c_str());
    }
    // Line noise before every reply does not hide the tokens.
    StartDevice("QM2B", "loader", {"--garbage"});
    EXPECT_EQ(Pirrow(Base()).exitCode, 0) << Log();
    auto state = StopDevice();
    EXPECT_EQ(FlashAt(state, kAppAddress, uint32_t(image.size())), image);
}

TEST_F(Download, WeakFlashCellFailsTheVerifyAndAWrongCrcTheReadBack) {
    WriteFile(Path("app.bin"), Pattern(0x21000, 6));
    WriteList({{kAppAddress, "FILE0=app.bin"}});
    StartDevice("QM2B", "loader", {"--corrupt-flash", "0x10020123"});
    EXPECT_EQ(Pirrow(Base({"--verify"})).exitCode, 255);
    EXPECT_NE(Log().find("download_image_simple_thread fail \n"), std::string::npos) << Log();
    device_.Stop();

    std::remove(LogPath().c_str());
    StartDevice("QM2B", "loader", {"--bad-crc"});
    EXPECT_EQ(Pirrow({"--func", "1", "--raddr", "0x10000000", "--rlen", "0x100", "--file", "back.bin"}).exitCode, 255);
    EXPECT_NE(Log().find(") != crc2 (0x"), std::string::npos) << Log();
}

TEST_F(Download, BadCommandLines) {
    StartDevice("QM2B", "loader");
    ToolRun last = Pirrow({"--func", "0", "--device"});
    EXPECT_EQ(last.exitCode, 255);
    EXPECT_NE(Log().find("FINAL_FAIL"), std::string::npos);
    ToolRun help = RunProgram("Pirrow", {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out, "");
    ToolRun quiet = RunProgram("Pirrow", {"--func", "3"});
    EXPECT_EQ(quiet.exitCode, 255);
    EXPECT_EQ(quiet.out, "");
}

}  // namespace
