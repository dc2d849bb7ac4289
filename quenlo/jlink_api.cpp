#include "quenlo/jlink_api.h"

#include "common/print_log.h"
#include "platform/jlink_library.h"

namespace quenlo {

using common::PrintLog;

namespace {

struct Export {
    const char* symbol;
    const char* logName;  // what the missing-export line calls it
    void** slot;
};

template <typename Fn>
void** Slot(Fn& fn) {
    return reinterpret_cast<void**>(&fn);
}

}  // namespace

bool BindJLinkApi(const platform::SharedLibrary& library, JLinkApi& api) {
    const Export exports[] = {
        {"JLINK_EMU_GetList", "EMU_GetList", Slot(api.EMU_GetList)},
        {"JLINK_IsOpen", "IsOpen", Slot(api.IsOpen)},
        {"JLINK_EMU_IsConnected", "EMU_IsConnected", Slot(api.EMU_IsConnected)},
        {"JLINK_IsConnected", "IsConnected", Slot(api.IsConnected)},
        {"JLINK_EMU_SelectByUSBSN", "EMU_SelectByUSBSN", Slot(api.EMU_SelectByUSBSN)},
        {"JLINK_Open", "Open", Slot(api.Open)},
        {"JLINK_Close", "Close", Slot(api.Close)},
        {"JLINK_ExecCommand", "ExecCommand", Slot(api.ExecCommand)},
        {"JLINK_Connect", "Connect", Slot(api.Connect)},
        {"JLINK_GetSN", "GetSN", Slot(api.GetSN)},
        {"JLINK_SetSpeed", "SetSpeed", Slot(api.SetSpeed)},
        {"JLINK_GetSpeed", "GetSpeed", Slot(api.GetSpeed)},
        {"JLINK_SetMaxSpeed", "SetMaxSpeed", Slot(api.SetMaxSpeed)},
        {"JLINK_TIF_Select", "TIF_Select", Slot(api.TIF_Select)},
        {"JLINK_EraseChip", "EraseChip", Slot(api.EraseChip)},
        {"JLINK_SetFlashProgProgressCallback", "SetFlashProgProgressCallback",
         Slot(api.SetFlashProgProgressCallback)},
        {"JLINK_BeginDownload", "BeginDownload", Slot(api.BeginDownload)},
        {"JLINK_EndDownload", "EndDownload", Slot(api.EndDownload)},
        {"JLINK_WriteMemEx", "WriteMemEx", Slot(api.WriteMemEx)},
        {"JLINK_DownloadFile", "DownloadFile", Slot(api.DownloadFile)},
        {"JLINK_Reset", "Reset", Slot(api.Reset)},
        {"JLINK_Go", "Go", Slot(api.Go)},
        {"JLINK_Halt", "Halt", Slot(api.Halt)},
        {"JLINK_IsHalted", "IsHalted", Slot(api.IsHalted)},
        {"JLINK_GetRegisterList", "GetRegisterList", Slot(api.GetRegisterList)},
        {"JLINK_GetRegisterName", "GetRegisterName", Slot(api.GetRegisterName)},
        {"JLINK_ReadMemEx", "ReadMemEx", Slot(api.ReadMemEx)},
        {"JLINK_ReadReg", "ReadReg", Slot(api.ReadReg)},
        {"JLINK_WriteReg", "WriteReg", Slot(api.WriteReg)},
        // The log has always named this one without the library's prefix and misspelt.
        {"JLINKARM_SetErrorOutHandler", "SetErrorOutHander", Slot(api.SetErrorOutHandler)},
        {"JLINK_RTTERMINAL_Control", "RTTERMINAL_Control", Slot(api.RTTERMINAL_Control)},
        {"JLINK_RTTERMINAL_Write", "RTTERMINAL_Write", Slot(api.RTTERMINAL_Write)},
        {"JLINK_RTTERMINAL_Read", "RTTERMINAL_Read", Slot(api.RTTERMINAL_Read)},
    };
    static_assert(sizeof(exports) / sizeof(exports[0]) == 33);
    for (const Export& e : exports) {
        *e.slot = library.Symbol(e.symbol);
        if (!*e.slot) {
            PrintLog(false, "X jlink_%s null\n", e.logName);
            return false;
        }
    }
    return true;
}

bool LibInit(const std::string& dllPath, platform::SharedLibrary& library, JLinkApi& api) {
    std::string loadedFrom;
    bool ok = platform::LoadJLinkLibrary(library, dllPath, &loadedFrom);
    if (!ok) PrintLog(false, "X hModule null\n");
    else ok = BindJLinkApi(library, api);
    PrintLog(false, ok ? "LibInit() pass\n" : "LibInit() fail\n");
    return ok;
}

}  // namespace quenlo
