#pragma once
// The J-Link library's C interface as the tool binds it at run time (cdecl;
// callbacks are plain C function pointers). Truth values come back as a
// byte in an int register: test them with JLinkTrue().
#include <cstdint>
#include <string>

#include "platform/shared_library.h"

namespace quenlo {

using JLinkLogFn = void (*)(const char* text);
using JLinkProgressFn = void (*)(const char* action, const char* prog, int percent);

// RTTERMINAL control commands and records.
constexpr uint32_t kRttStart = 0;
constexpr uint32_t kRttStatus = 4;
struct RttStartRecord {
    uint32_t configBlockAddress;
    uint32_t reserved[3];
};
struct RttStatusRecord {
    uint32_t numBytesTransferred;
    uint32_t numBytesRead;
    int32_t hostOverflowCount;
    int32_t isRunning;
    int32_t numUpBuffers;
    int32_t numDownBuffers;
    uint32_t reserved[2];
};
static_assert(sizeof(RttStartRecord) == 16 && sizeof(RttStatusRecord) == 32);

constexpr int kTifSwd = 1;
constexpr uint32_t kRegSp = 13;
constexpr uint32_t kRegPc = 15;

inline bool JLinkTrue(int r) { return (r & 0xFF) != 0; }

struct JLinkApi {
    int (*EMU_GetList)(int hostIfs, void* info, int max) = nullptr;
    int (*IsOpen)() = nullptr;
    int (*EMU_IsConnected)() = nullptr;
    int (*IsConnected)() = nullptr;
    int (*EMU_SelectByUSBSN)(uint32_t sn) = nullptr;
    const char* (*Open)() = nullptr;
    void (*Close)() = nullptr;
    int (*ExecCommand)(const char* in, char* err, int errSize) = nullptr;
    int (*Connect)() = nullptr;
    int (*GetSN)() = nullptr;
    void (*SetSpeed)(uint32_t kHz) = nullptr;
    int (*GetSpeed)() = nullptr;
    void (*SetMaxSpeed)() = nullptr;
    int (*TIF_Select)(int tif) = nullptr;
    int (*EraseChip)() = nullptr;
    void (*SetFlashProgProgressCallback)(JLinkProgressFn cb) = nullptr;
    void (*BeginDownload)(uint32_t flags) = nullptr;
    int (*EndDownload)() = nullptr;
    int (*WriteMemEx)(uint32_t addr, uint32_t n, const void* p, uint32_t width) = nullptr;
    int (*DownloadFile)(const char* path, uint32_t addr) = nullptr;
    int (*Reset)() = nullptr;
    void (*Go)() = nullptr;
    int (*Halt)() = nullptr;
    int (*IsHalted)() = nullptr;
    int (*GetRegisterList)(uint32_t* list, int max) = nullptr;
    const char* (*GetRegisterName)(uint32_t idx) = nullptr;
    int (*ReadMemEx)(uint32_t addr, uint32_t n, void* p, uint32_t width) = nullptr;
    uint32_t (*ReadReg)(uint32_t idx) = nullptr;
    int (*WriteReg)(uint32_t idx, uint32_t v) = nullptr;
    void (*SetErrorOutHandler)(JLinkLogFn log) = nullptr;
    int (*RTTERMINAL_Control)(uint32_t cmd, void* p) = nullptr;
    int (*RTTERMINAL_Write)(uint32_t buf, const char* p, uint32_t size) = nullptr;
    int (*RTTERMINAL_Read)(uint32_t buf, char* p, uint32_t size) = nullptr;
};

// Resolves the 33 exports by name in the fixed order, stopping at the first
// missing one with its "X jlink_... null" log line.
bool BindJLinkApi(const platform::SharedLibrary& library, JLinkApi& api);

// LibInit(): loads the library (--dll, JLINK_PATH, the install directory,
// the loader's search path) and binds it; logs "LibInit() pass" or "fail".
bool LibInit(const std::string& dllPath, platform::SharedLibrary& library, JLinkApi& api);

}  // namespace quenlo
