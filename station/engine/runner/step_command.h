#pragma once
#include <cstdint>
#include <string>

#include "station/engine/runner/tool_command.h"
#include "station/engine/runner/tool_output.h"

namespace station {

// Every tool step a channel job runs.
enum class StepKind {
    UartDownload,
    UartCrystalCali,
    UartBatteryCali,
    UartGpsLoad,
    UartEraseAll,
    UartEraseFactory,     // production-data area (QM2A_NAND only)
    UartEraseNonFactory,  // all but the production-data area (QM2A_NAND only)
    UartPcba,
    SwdDownload,
    SwdCrystalCali,
    SwdBatteryCali,
    SwdPcba,
    SwdEraseAll,
    SwdEraseNonFactory,
    SwdEraseFactory,
};

bool IsSwdStep(StepKind step);
bool IsCaliStep(StepKind step);
bool IsPcbaStep(StepKind step);
// The two area erases run only on "QM2A_NAND" devices; elsewhere they pass at once.
bool IsAreaErase(StepKind step);
RunnerKind RunnerOf(StepKind step);
// Main-log names of the step: "DownLoadUart" logs "DownLoadUart task start".
const char* StepLogName(StepKind step);
// The download over UART logs no end line.
bool StepLogsEnd(StepKind step);

// The calibration pane's fields as the command lines use them.
struct CaliValues {
    int method = 0;         // 0 wired, 1 wireless (`CALI_CRYSTALTYPE`)
    std::string pinName;    // value of `CALI_PORT_%d` for the selected pin, such as "PB08"
    std::string threshold;  // A: crystal precision (ppm)
    std::string timeLen;    // B: calibration time (s)
    int freqIndex = 0;      // channel frequency selector
    std::string syncCode, judgeCount, packetStep, packetInit, packetMax;  // C..G, wireless only
    int cbankMin = 0, cbankMax = 0;
    std::string volt, voltRange, voltThresh, resistanceBig, resistanceSmall;  // battery pane
};

// Everything a step's command line is made of: the channel, its port field,
// and the settings read at the moment the step starts.
struct StepValues {
    int channel = 1;
    std::string port;         // port field: UART port name or J-Link serial number
    std::string device;       // device type
    std::string root;         // station root
    std::string channelLog;   // this job's channel log path
    bool channelLogOn = false;  // `CHANEL_LOG`
    int uartBaud = 0;       // `BAUND` of `UART_FILTER`
    int gpsBaud = 1000000;  // the same, or 1000000 when it is 0
    int jlinkSpeed = 4000;  // `BAUND` of `SWD_FILTER`, limited to 4000..12000
    int postAct = 0;        // `POST_ACT`, 0 in a burn after calibration
    int preAct = 0, retryNum = 0;
    bool gui = false, errBox = false, compare = false, verify = false;
    std::string driver;  // RAM-loader file name for the device and rate
    int testType = 0;
    uint32_t thirdMask = 0;   // PCBA extra-function mask
    bool oldProject = false;  // project information of the old kind: bit 31 of --third
    std::string bleName, fwVersion;  // `PCBA_TEST`
    std::string rttAddr;       // RTT control-block address text
    std::string wechatModel;   // payment-module model id
    std::string jlinkLibrary;  // full path of the J-Link library (--dll)
    CaliValues cali;
};

// Erase area of the production data on QM2A_NAND parts.
constexpr uint32_t kFactoryAreaAddr = 0x62040000;
constexpr uint32_t kFactoryAreaLen = 0x20000;

// The baud rate a step passes (`--baund`).
int StepBaud(StepKind step, const StepValues& v);

// The step's command line. loadRam selects the second form (load the RAM
// loader first) where the step has one.
ToolCommand BuildStepCommand(StepKind step, bool loadRam, const StepValues& v);

}  // namespace station
