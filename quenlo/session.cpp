#include <cstdio>

#include "common/print_log.h"
#include "quenlo/tool.h"

namespace quenlo {

using common::PrintLog;

namespace {

constexpr int32_t kDefaultSpeedKhz = 4000;
constexpr size_t kDeviceCommandChars = 100;

void Exec(Tool& t, const char* command) { t.jl.ExecCommand(command, nullptr, 0); }

void LogLibraryError(const char* text) { PrintLog(false, "errorinfo: %s\n", text ? text : ""); }

}  // namespace

void PrintPercent(int percent) { common::PrintConsole("percent:%d \n", percent); }

bool OpenSession(Tool& t) {
    JobSettings& cfg = t.cfg;
    if (!cfg.Seen(kOptSn)) {
        PrintLog(false, "X jlink sn error: %d\n", cfg.sn);
        return false;
    }
    t.jl.EMU_SelectByUSBSN(uint32_t(cfg.sn));
    t.jl.Open();
    if (!JLinkTrue(t.jl.IsOpen())) {
        PrintLog(false, "X jlink_IsOpen error: %d\n", cfg.sn);
        return false;
    }
    PrintLog(false, "jlink_IsOpen pass\n");
    if (!JLinkTrue(t.jl.EMU_IsConnected())) {
        PrintLog(false, "X jlink_EMU_IsConnected error: %d\n", cfg.sn);
        CloseSession(t);
        return false;
    }
    PrintLog(false, "jlink_EMU_IsConnected pass\n");
    t.jl.TIF_Select(kTifSwd);
    if (cfg.speed == 0) cfg.speed = kDefaultSpeedKhz;
    t.jl.SetSpeed(uint32_t(cfg.speed));
    char device[kDeviceCommandChars + 1];
    std::snprintf(device, sizeof device, "device=%s", cfg.device.c_str());
    Exec(t, device);
    Exec(t, "SuppressGUI");
    Exec(t, "SuppressControlPanel");
    t.jl.Connect();
    if (!JLinkTrue(t.jl.IsConnected())) {
        PrintLog(false, "X jlink_IsConnected error\n");
        CloseSession(t);
        return false;
    }
    PrintLog(false, "jlink_IsConnected pass\n");
    return true;
}

void CloseSession(Tool& t) { t.jl.Close(); }

void ApplyFlashSettings(Tool& t) {
    const JobSettings& cfg = t.cfg;
    if (!cfg.gui) Exec(t, "DisableInfoWinFlashDL");
    Exec(t, cfg.compare ? "SetCompareMode = 2" : "SetCompareMode = 0");
    Exec(t, cfg.verify ? "SetVerifyDownload = 2" : "SetVerifyDownload = 0");
    Exec(t, "SetRestartOnClose = 0");
    Exec(t, "SetResetPulseLen = 100");
    Exec(t, "SetCheckModeAfterRead = 0");
    Exec(t, "SetBatchMode = 1");
    InstallErrorHandler(t);
}

void InstallErrorHandler(Tool& t) {
    if (!t.cfg.errbox) t.jl.SetErrorOutHandler(LogLibraryError);
}

void HaltIfRunning(Tool& t) {
    if (t.jl.IsHalted() > 0) {
        PrintLog(false, "jlink_IsHalted now\n");
        return;
    }
    PrintLog(false, "run jlink_Halt\n");
    t.jl.Halt();
}

void LogResetResult(int result) { PrintLog(false, result < 0 ? "jlink_Reset error\n" : "jlink_Reset pass\n"); }

void PreAction(Tool& t) {
    if (t.cfg.preact == 1) LogResetResult(ResetTarget(t));
    else if (t.cfg.preact == 2) HaltIfRunning(t);
}

}  // namespace quenlo
