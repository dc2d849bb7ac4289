#include "station/engine/runner/step_command.h"

#include <algorithm>
#include <cstdio>

#include "common/parse_number.h"
#include "common/text_search.h"
#include "station/engine/burnlist/station_burn_list.h"
#include "station/engine/log/text_convert.h"

namespace station {
namespace {

constexpr int kBootBaud = 1000000;  // the erase steps always run at the boot rate

int FuncOf(StepKind step) {
    switch (step) {
    case StepKind::UartDownload:
    case StepKind::SwdDownload: return 0;
    case StepKind::UartCrystalCali:
    case StepKind::SwdCrystalCali: return 8;
    case StepKind::UartBatteryCali:
    case StepKind::SwdBatteryCali: return 9;
    case StepKind::UartGpsLoad: return 14;
    case StepKind::UartEraseAll:
    case StepKind::SwdEraseAll: return 3;
    case StepKind::UartEraseFactory:
    case StepKind::SwdEraseFactory: return 2;
    case StepKind::UartEraseNonFactory:
    case StepKind::SwdEraseNonFactory: return 7;
    case StepKind::UartPcba:
    case StepKind::SwdPcba: return 11;
    }
    return 0;
}

std::string Hex(uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", value);
    return buf;
}

std::string Join(const std::string& dir, const std::string& name) { return dir + "/" + name; }

std::string DriverPath(const StepValues& v) { return Join(v.root, "file/" + v.driver); }

// At most n characters of a pane field, never cut inside a character.
std::string Field(const std::string& text, size_t n = 29) { return CutText(text, n); }

// The --fish argument of a calibration step.
std::string CaliCommand(StepKind step, const StepValues& v) {
    const CaliValues& c = v.cali;
    std::string cmd;
    auto add = [&cmd](const std::string& word) { cmd += " " + word; };
    if (step == StepKind::UartBatteryCali || step == StepKind::SwdBatteryCali) {
        cmd = "battery_cali";
        for (const auto* f : {&c.volt, &c.voltRange, &c.voltThresh, &c.resistanceBig, &c.resistanceSmall}) add(Field(*f));
        return cmd;
    }
    const bool bounds = c.cbankMin != 0 && c.cbankMax != 0;
    if (c.method == 1) {
        const int freq = common::Contains(v.device, "QM2B") ? c.freqIndex : c.freqIndex * 2;
        cmd = "ble_crystal_cali";
        add(Field(c.timeLen));
        add(std::to_string(freq));
        for (const auto* f : {&c.syncCode, &c.judgeCount, &c.packetStep, &c.packetInit, &c.packetMax}) add(Field(*f));
    } else {
        cmd = "crystal_cali";
        add(c.pinName.size() > 2 ? c.pinName.substr(2) : std::string());
        add(Field(c.threshold));
        add(Field(c.timeLen));
    }
    if (bounds) {
        add(std::to_string(c.cbankMin));
        add(std::to_string(c.cbankMax));
    }
    return cmd;
}

// "--third %u": the extra-function mask with bit 31 for old projects. The
// tools read numbers without a sign, so the unsigned text keeps every bit.
std::string ThirdValue(const StepValues& v) {
    return std::to_string(v.thirdMask | (v.oldProject ? 0x80000000u : 0u));
}

void AddFirmwarePiece(ToolCommand& cmd, const StepValues& v) {
    if (v.testType & 0x1) cmd.QuotedOption("--blename", v.bleName).QuotedOption("--fwver", v.fwVersion);
    else cmd.Blank();
}

void AddRttPiece(ToolCommand& cmd, const StepValues& v) {
    if (!v.rttAddr.empty() && common::ParseNumber(v.rttAddr) != 0) cmd.Option("--rttaddr", v.rttAddr);
    else cmd.Blank();
}

ToolCommand UartCommand(StepKind step, bool loadRam, const StepValues& v) {
    ToolCommand cmd("Pirrow");
    cmd.Option("--func", FuncOf(step)).Option("--port", v.port).Option("--baund", StepBaud(step, v));
    switch (step) {
    case StepKind::UartDownload:
        if (loadRam) cmd.Option("--loadram", 1);
        cmd.Option("--postact", v.postAct).Option("--device", v.device);
        cmd.QuotedOption("--file", ChannelBurnListPath(v.root, v.channel));
        break;
    case StepKind::UartCrystalCali:
    case StepKind::UartBatteryCali:
    case StepKind::UartEraseAll:
        if (loadRam) cmd.Option("--loadram", 1).Option("--device", v.device).QuotedOption("--driver", DriverPath(v));
        else if (step == StepKind::UartEraseAll) cmd.Option("--device", v.device);
        break;
    case StepKind::UartEraseFactory:
    case StepKind::UartEraseNonFactory:
        if (loadRam) cmd.Option("--loadram", 1);
        cmd.Option("--device", v.device).Option("--raddr", Hex(kFactoryAreaAddr)).Option("--rlen", Hex(kFactoryAreaLen));
        if (loadRam) cmd.QuotedOption("--driver", DriverPath(v));
        break;
    case StepKind::UartPcba:
        if (loadRam) cmd.Option("--loadram", 1).Option("--device", v.device);
        cmd.Option("--pcba", v.testType & ~0x100).Option("--third", ThirdValue(v));
        AddFirmwarePiece(cmd, v);
        if (loadRam) cmd.QuotedOption("--driver", DriverPath(v));
        break;
    default: break;  // the GNSS load has one form and no more options
    }
    if (IsCaliStep(step)) cmd.QuotedOption("--fish", CaliCommand(step, v));
    if (step == StepKind::UartDownload) {
        if (v.compare) cmd.Word("--compare");
        if (v.verify) cmd.Word("--verify");
    }
    if (step == StepKind::UartPcba && !v.wechatModel.empty()) cmd.Option("--wechat", v.wechatModel);
    return cmd;
}

ToolCommand SwdCommand(StepKind step, bool loadRam, const StepValues& v) {
    ToolCommand cmd("Quenlo");
    cmd.Option("--func", FuncOf(step)).Option("--sn", Field(v.port, 30)).Option("--baund", StepBaud(step, v));
    const bool eraseOrDownload = step == StepKind::SwdDownload || step == StepKind::SwdEraseAll ||
                                 step == StepKind::SwdEraseFactory || step == StepKind::SwdEraseNonFactory;
    switch (step) {
    case StepKind::SwdDownload:
        cmd.Option("--preact", v.preAct).Option("--postact", v.postAct);
        cmd.Option("--retry", v.retryNum).Option("--device", v.device);
        cmd.QuotedOption("--file", ChannelBurnListPath(v.root, v.channel));
        break;
    case StepKind::SwdCrystalCali:
    case StepKind::SwdBatteryCali:
        cmd.Option("--device", v.device);
        if (loadRam) cmd.QuotedOption("--path", Join(v.root, "file"));
        break;
    case StepKind::SwdPcba:
        cmd.Option("--device", v.device).Option("--pcba", v.testType & ~0x100).Option("--third", ThirdValue(v));
        AddRttPiece(cmd, v);
        AddFirmwarePiece(cmd, v);
        if (loadRam) cmd.QuotedOption("--path", Join(v.root, "file"));
        break;
    case StepKind::SwdEraseAll: cmd.Option("--preact", v.preAct).Option("--device", v.device); break;
    case StepKind::SwdEraseFactory:
    case StepKind::SwdEraseNonFactory:
        cmd.Option("--preact", v.preAct).Option("--device", v.device);
        cmd.Option("--raddr", Hex(kFactoryAreaAddr)).Option("--rlen", Hex(kFactoryAreaLen));
        break;
    default: break;
    }
    if (IsCaliStep(step)) cmd.QuotedOption("--fish", CaliCommand(step, v));
    if (eraseOrDownload && v.gui) cmd.Word("--gui");
    if (step == StepKind::SwdDownload) {
        if (v.compare) cmd.Word("--compare");
        if (v.verify) cmd.Word("--verify");
    }
    if (eraseOrDownload && v.errBox) cmd.Word("--errbox");
    if (step == StepKind::SwdPcba && !v.wechatModel.empty()) cmd.Option("--wechat", v.wechatModel);
    if (!v.jlinkLibrary.empty()) cmd.QuotedOption("--dll", v.jlinkLibrary);
    return cmd;
}

}  // namespace

bool IsSwdStep(StepKind step) { return step >= StepKind::SwdDownload; }

bool IsCaliStep(StepKind step) {
    return step == StepKind::UartCrystalCali || step == StepKind::UartBatteryCali || step == StepKind::SwdCrystalCali ||
           step == StepKind::SwdBatteryCali;
}

bool IsPcbaStep(StepKind step) { return step == StepKind::UartPcba || step == StepKind::SwdPcba; }

bool IsAreaErase(StepKind step) {
    return step == StepKind::UartEraseFactory || step == StepKind::UartEraseNonFactory ||
           step == StepKind::SwdEraseFactory || step == StepKind::SwdEraseNonFactory;
}

RunnerKind RunnerOf(StepKind step) {
    if (IsPcbaStep(step)) return RunnerKind::Pcba;
    return step == StepKind::UartGpsLoad ? RunnerKind::Gps : RunnerKind::Plain;
}

const char* StepLogName(StepKind step) {
    switch (step) {
    case StepKind::UartDownload: return "DownLoadUart";
    case StepKind::UartCrystalCali:
    case StepKind::UartBatteryCali: return "CaliUart";
    case StepKind::UartGpsLoad: return "GpsloadUart";
    case StepKind::UartEraseAll: return "EraseFlashUart";
    case StepKind::UartEraseFactory: return "EraseFactoryFlashUart";
    case StepKind::UartEraseNonFactory: return "EraseNofactoryFlashUart";
    case StepKind::UartPcba: return "PcbaTestUart";
    case StepKind::SwdDownload: return "DownLoadSWDUser";
    case StepKind::SwdCrystalCali:
    case StepKind::SwdBatteryCali: return "CaliSWD";
    case StepKind::SwdPcba: return "PcbaTestSWD";
    case StepKind::SwdEraseAll: return "EraseFlashSWD";
    case StepKind::SwdEraseNonFactory: return "EraseNofactoryFlashSWD";
    case StepKind::SwdEraseFactory: return "EraseFactoryFlashSWD";
    }
    return "";
}

bool StepLogsEnd(StepKind step) { return step != StepKind::UartDownload; }

int StepBaud(StepKind step, const StepValues& v) {
    if (IsSwdStep(step)) return v.jlinkSpeed;
    switch (step) {
    case StepKind::UartGpsLoad: return v.gpsBaud;
    case StepKind::UartEraseAll:
    case StepKind::UartEraseFactory:
    case StepKind::UartEraseNonFactory: return kBootBaud;
    default: return v.uartBaud;
    }
}

ToolCommand BuildStepCommand(StepKind step, bool loadRam, const StepValues& v) {
    ToolCommand cmd = IsSwdStep(step) ? SwdCommand(step, loadRam, v) : UartCommand(step, loadRam, v);
    if (v.channelLogOn) cmd.QuotedOption("--log", v.channelLog);
    return cmd;
}

}  // namespace station
