// Command lines of every step in both forms, checked against the templates
// of the station's tool contract formatted with printf (the Windows program
// names lose ".exe" and "\" paths become "/").
#include <gtest/gtest.h>

// GCC 12 at -O3 warns falsely about one-character string assignments (its bug 105651).
#pragma GCC diagnostic ignored "-Wrestrict"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "station/engine/runner/step_command.h"

namespace station {
namespace {

std::string Fmt(const char* format, ...) {
    char buf[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

StepValues Values() {
    StepValues v;
    v.channel = 3;
    v.port = "ttyUSB3";
    v.device = "QM2A_NAND";
    v.root = "/st";
    v.channelLog = "/st/log/channel/2026_01_02/Chan3_0x1(2026_01_02_03_04_05).txt";
    v.channelLogOn = true;
    v.uartBaud = 3000000;
    v.gpsBaud = 3000000;
    v.jlinkSpeed = 4000;
    v.postAct = 1;
    v.preAct = 2;
    v.retryNum = 1;
    v.gui = v.errBox = v.compare = v.verify = true;
    v.driver = "ram_patch_2A_NAND.bin";
    v.testType = 0x2FF;
    v.thirdMask = 5;
    v.oldProject = true;
    v.bleName = "norva ble";
    v.fwVersion = "v1.0.0.1";
    v.rttAddr = "0x20000000";
    v.wechatModel = "2734510";
    v.jlinkLibrary = "/opt/SEGGER/JLink/libjlinkarm.so";
    v.cali.pinName = "PB08";
    v.cali.threshold = "5";
    v.cali.timeLen = "25";
    v.cali.volt = "4000";
    v.cali.voltRange = "400";
    v.cali.voltThresh = "30";
    v.cali.resistanceBig = "1000";
    v.cali.resistanceSmall = "220";
    return v;
}

struct Row {
    StepKind step;
    bool loadRam;
    std::string expected;
};

TEST(StepCommand, EveryStepInBothFormsFollowsItsTemplate) {
    const StepValues v = Values();
    const char* root = "/st";
    const std::string log = Fmt(" --log \"%s\"", v.channelLog.c_str());
    const std::string fw = "--blename \"norva ble\" --fwver \"v1.0.0.1\"";
    const std::string third = "2147483653";  // 5 with bit 31, as unsigned decimal
    const std::string dll = " --dll \"/opt/SEGGER/JLink/libjlinkarm.so\"";
    const Row rows[] = {
        {StepKind::UartDownload, false,
         Fmt("Pirrow --func %d --port %s --baund %d --postact %d --device %s --file \"%s/temp/ImgBurnList_%d.txt\"", 0,
             "ttyUSB3", 3000000, 1, "QM2A_NAND", root, 3) + " --compare --verify" + log},
        {StepKind::UartDownload, true,
         Fmt("Pirrow --func %d --port %s --baund %d --loadram 1 --postact %d --device %s --file "
             "\"%s/temp/ImgBurnList_%d.txt\"",
             0, "ttyUSB3", 3000000, 1, "QM2A_NAND", root, 3) + " --compare --verify" + log},
        {StepKind::UartCrystalCali, false,
         Fmt("Pirrow --func %d --port %s --baund %d", 8, "ttyUSB3", 3000000) + " --fish \"crystal_cali 08 5 25\"" + log},
        {StepKind::UartBatteryCali, true,
         Fmt("Pirrow --func %d --port %s --baund %d --loadram 1 --device %s --driver \"%s/file/%s\"", 9, "ttyUSB3",
             3000000, "QM2A_NAND", root, "ram_patch_2A_NAND.bin") +
             " --fish \"battery_cali 4000 400 30 1000 220\"" + log},
        {StepKind::UartGpsLoad, true, Fmt("Pirrow --func %d --port %s --baund %d", 14, "ttyUSB3", 3000000) + log},
        {StepKind::UartEraseAll, false,
         Fmt("Pirrow --func %d --port %s --baund %d --device %s", 3, "ttyUSB3", 1000000, "QM2A_NAND") + log},
        {StepKind::UartEraseAll, true,
         Fmt("Pirrow --func %d --port %s --baund %d --loadram 1 --device %s --driver \"%s/file/%s\"", 3, "ttyUSB3",
             1000000, "QM2A_NAND", root, "ram_patch_2A_NAND.bin") + log},
        {StepKind::UartEraseFactory, false,
         Fmt("Pirrow --func %d --port %s --baund %d --device %s --raddr 0x%x --rlen 0x%x", 2, "ttyUSB3", 1000000,
             "QM2A_NAND", 0x62040000, 0x20000) + log},
        {StepKind::UartEraseNonFactory, true,
         Fmt("Pirrow --func %d --port %s --baund %d --loadram 1 --device %s --raddr 0x%x --rlen 0x%x --driver "
             "\"%s/file/%s\"",
             7, "ttyUSB3", 1000000, "QM2A_NAND", 0x62040000, 0x20000, root, "ram_patch_2A_NAND.bin") + log},
        {StepKind::UartPcba, false,
         Fmt("Pirrow --func %d --port %s --baund %d --pcba %d --third %s %s", 11, "ttyUSB3", 3000000, 0x2FF,
             third.c_str(), fw.c_str()) + " --wechat 2734510" + log},
        {StepKind::UartPcba, true,
         Fmt("Pirrow --func %d --port %s --baund %d --loadram 1 --device %s --pcba %d --third %s %s --driver "
             "\"%s/file/%s\"",
             11, "ttyUSB3", 3000000, "QM2A_NAND", 0x2FF, third.c_str(), fw.c_str(), root, "ram_patch_2A_NAND.bin") +
             " --wechat 2734510" + log},
        {StepKind::SwdDownload, false,
         Fmt("Quenlo --func %d --sn %s --baund %d --preact %d --postact %d --retry %d --device %s --file "
             "\"%s/temp/ImgBurnList_%d.txt\"",
             0, "ttyUSB3", 4000, 2, 1, 1, "QM2A_NAND", root, 3) + " --gui --compare --verify --errbox" + dll + log},
        {StepKind::SwdCrystalCali, false,
         Fmt("Quenlo --func %d --sn %s --baund %d --device %s", 8, "ttyUSB3", 4000, "QM2A_NAND") +
             " --fish \"crystal_cali 08 5 25\"" + dll + log},
        {StepKind::SwdBatteryCali, true,
         Fmt("Quenlo --func %d --sn %s --baund %d --device %s --path \"%s/file\"", 9, "ttyUSB3", 4000, "QM2A_NAND",
             root) + " --fish \"battery_cali 4000 400 30 1000 220\"" + dll + log},
        {StepKind::SwdPcba, false,
         Fmt("Quenlo --func %d --sn %s --baund %d --device %s --pcba %d --third %s %s %s", 11, "ttyUSB3", 4000,
             "QM2A_NAND", 0x2FF, third.c_str(), "--rttaddr 0x20000000", fw.c_str()) + " --wechat 2734510" + dll + log},
        {StepKind::SwdPcba, true,
         Fmt("Quenlo --func %d --sn %s --baund %d --device %s --pcba %d --third %s %s %s --path \"%s/file\"", 11,
             "ttyUSB3", 4000, "QM2A_NAND", 0x2FF, third.c_str(), "--rttaddr 0x20000000", fw.c_str(), root) +
             " --wechat 2734510" + dll + log},
        {StepKind::SwdEraseAll, false,
         Fmt("Quenlo --func %d --sn %s --baund %d --preact %d --device %s", 3, "ttyUSB3", 4000, 2, "QM2A_NAND") +
             " --gui --errbox" + dll + log},
        {StepKind::SwdEraseNonFactory, false,
         Fmt("Quenlo --func %d --sn %s --baund %d --preact %d --device %s --raddr 0x%x --rlen 0x%x", 7, "ttyUSB3", 4000,
             2, "QM2A_NAND", 0x62040000, 0x20000) + " --gui --errbox" + dll + log},
        {StepKind::SwdEraseFactory, false,
         Fmt("Quenlo --func %d --sn %s --baund %d --preact %d --device %s --raddr 0x%x --rlen 0x%x", 2, "ttyUSB3", 4000,
             2, "QM2A_NAND", 0x62040000, 0x20000) + " --gui --errbox" + dll + log},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BuildStepCommand(row.step, row.loadRam, v).Text(), row.expected)
            << StepLogName(row.step) << (row.loadRam ? " (second form)" : "");
}

TEST(StepCommand, QuotedValuesAreOneArgumentAndEmptyPiecesNone) {
    StepValues v = Values();
    v.testType = 0x2FE;  // no firmware-information item: the piece after --third stays empty
    v.channelLogOn = false;
    v.wechatModel.clear();
    v.rttAddr = "0";  // a zero address is left out
    ToolCommand uart = BuildStepCommand(StepKind::UartPcba, false, v);
    EXPECT_EQ(uart.Text(), "Pirrow --func 11 --port ttyUSB3 --baund 3000000 --pcba 766 --third 2147483653 ");
    EXPECT_EQ(uart.Argv().back(), "2147483653");
    const std::string swd = BuildStepCommand(StepKind::SwdPcba, false, v).Text();
    const std::string swdTail = Fmt("--third 2147483653   --dll \"%s\"", v.jlinkLibrary.c_str());  // two empty pieces
    EXPECT_EQ(swd.substr(swd.size() - swdTail.size()), swdTail);

    v.root = "/station root";
    v.bleName = "a\" --func \"3";  // a quote in a value cannot start an option of its own
    v.testType = 0x2FF;
    ToolCommand download = BuildStepCommand(StepKind::UartPcba, true, v);
    const auto& argv = download.Argv();
    EXPECT_EQ(argv.back(), "/station root/file/ram_patch_2A_NAND.bin");
    ASSERT_EQ(std::count(argv.begin(), argv.end(), "--func"), 1);
    EXPECT_EQ(*(std::find(argv.begin(), argv.end(), "--blename") + 1), v.bleName);

    v.device.clear();  // an empty value keeps its place instead of shifting the next option into it
    ToolCommand erase = BuildStepCommand(StepKind::UartEraseAll, false, v);
    EXPECT_EQ(erase.Argv(), (std::vector<std::string>{"Pirrow", "--func", "3", "--port", "ttyUSB3", "--baund",
                                                      "1000000", "--device", ""}));
}

TEST(StepCommand, CalibrationArguments) {
    StepValues v = Values();
    v.channelLogOn = false;
    v.jlinkLibrary.clear();
    auto fish = [&] { return BuildStepCommand(StepKind::UartCrystalCali, false, v).Argv().back(); };
    v.cali.cbankMin = 3;
    EXPECT_EQ(fish(), "crystal_cali 08 5 25");  // bounds only when both are set
    v.cali.cbankMax = 9;
    EXPECT_EQ(fish(), "crystal_cali 08 5 25 3 9");
    v.cali.method = 1;
    v.cali.freqIndex = 7;
    v.cali.syncCode = "0x71764129";
    v.cali.judgeCount = "3";
    v.cali.packetStep = "10";
    v.cali.packetInit = "20";
    v.cali.packetMax = "200";
    EXPECT_EQ(fish(), "ble_crystal_cali 25 14 0x71764129 3 10 20 200 3 9");  // index doubled except on QM2B
    v.device = "QM2B";
    v.cali.cbankMax = 0;
    EXPECT_EQ(fish(), "ble_crystal_cali 25 7 0x71764129 3 10 20 200");
    v.cali.timeLen = std::string(40, '9');  // pane fields are cut to 29 characters
    EXPECT_EQ(fish(), Fmt("ble_crystal_cali %s 7 0x71764129 3 10 20 200", std::string(29, '9').c_str()));
    v.cali.timeLen = std::string(28, '9') + "秒秒";  // characters, not bytes
    EXPECT_EQ(fish(), Fmt("ble_crystal_cali %s秒 7 0x71764129 3 10 20 200", std::string(28, '9').c_str()));
}

}  // namespace
}  // namespace station
