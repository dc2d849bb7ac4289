// The exports of the J-Link library, with SEGGER's names and C prototypes,
// served by one virtual probe per process.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "devsim/jlink/virtual_probe.h"

namespace {

devsim::jlink::VirtualProbe& Probe() {
    static devsim::jlink::VirtualProbe probe(devsim::jlink::ReadProbeConfig(), platform::SystemClock());
    return probe;
}

constexpr size_t kEmuInfoBytes = 264;

}  // namespace

#define JLINK_EXPORT extern "C" __attribute__((visibility("default")))

JLINK_EXPORT int JLINK_EMU_GetList(int hostIfs, void* info, int max) {
    const auto& serials = Probe().Serials();
    if ((hostIfs & 1) == 0) return 0;  // USB probes only
    if (info && max > 0) {
        uint8_t* out = static_cast<uint8_t*>(info);
        for (size_t i = 0; i < serials.size() && int(i) < max; ++i) {
            std::memset(out + i * kEmuInfoBytes, 0, kEmuInfoBytes);
            std::memcpy(out + i * kEmuInfoBytes, &serials[i], sizeof(uint32_t));
            const uint32_t usb = 1;
            std::memcpy(out + i * kEmuInfoBytes + 4, &usb, sizeof usb);
        }
    }
    return int(serials.size());
}

JLINK_EXPORT int JLINK_IsOpen(void) { return Probe().IsOpen() ? 1 : 0; }
JLINK_EXPORT int JLINK_EMU_IsConnected(void) { return Probe().IsOpen() ? 1 : 0; }
JLINK_EXPORT int JLINK_IsConnected(void) { return Probe().IsConnected() ? 1 : 0; }
JLINK_EXPORT int JLINK_EMU_SelectByUSBSN(uint32_t sn) { return Probe().SelectBySerial(sn); }
JLINK_EXPORT const char* JLINK_Open(void) { return Probe().Open(); }
JLINK_EXPORT void JLINK_Close(void) { Probe().Close(); }

JLINK_EXPORT int JLINK_ExecCommand(const char* in, char* err, int errSize) {
    std::string error;
    const int r = Probe().ExecCommand(in ? in : "", error);
    if (err && errSize > 0) {
        const size_t n = std::min(error.size(), size_t(errSize - 1));
        std::memcpy(err, error.data(), n);
        err[n] = '\0';
    }
    return r;
}

JLINK_EXPORT int JLINK_Connect(void) { return Probe().Connect(); }
JLINK_EXPORT int JLINK_GetSN(void) { return Probe().IsOpen() ? int(Probe().Serial()) : -1; }
JLINK_EXPORT void JLINK_SetSpeed(uint32_t kHz) { Probe().SetSpeed(kHz); }
JLINK_EXPORT int JLINK_GetSpeed(void) { return int(Probe().Speed()); }
JLINK_EXPORT void JLINK_SetMaxSpeed(void) { Probe().SetSpeed(devsim::jlink::kMaxSpeedKhz); }
JLINK_EXPORT int JLINK_TIF_Select(int tif) { return Probe().SelectInterface(tif); }
JLINK_EXPORT int JLINK_EraseChip(void) { return Probe().EraseChip(); }

JLINK_EXPORT void JLINK_SetFlashProgProgressCallback(devsim::jlink::ProgressFn cb) { Probe().SetProgressHandler(cb); }
JLINK_EXPORT void JLINK_BeginDownload(uint32_t) { Probe().BeginDownload(); }
JLINK_EXPORT int JLINK_EndDownload(void) { return Probe().EndDownload(); }

JLINK_EXPORT int JLINK_WriteMemEx(uint32_t addr, uint32_t n, const void* p, uint32_t) {
    if (!p) return -1;
    return Probe().WriteMemory(addr, n, static_cast<const uint8_t*>(p));
}

JLINK_EXPORT int JLINK_ReadMemEx(uint32_t addr, uint32_t n, void* p, uint32_t) {
    if (!p) return -1;
    return Probe().ReadMemory(addr, n, static_cast<uint8_t*>(p));
}

JLINK_EXPORT int JLINK_DownloadFile(const char* path, uint32_t addr) {
    return Probe().DownloadFile(path ? path : "", addr);
}

JLINK_EXPORT int JLINK_Reset(void) { return Probe().Reset(); }
JLINK_EXPORT void JLINK_Go(void) { Probe().Go(); }
JLINK_EXPORT int JLINK_Halt(void) { return Probe().Halt(); }
JLINK_EXPORT int JLINK_IsHalted(void) { return Probe().IsHalted(); }

JLINK_EXPORT int JLINK_GetRegisterList(uint32_t* list, int max) {
    int n = 0;
    for (uint32_t i = 0; i < devsim::jlink::kRegisterCount && n < max && list; ++i) list[n++] = i;
    return n;
}

JLINK_EXPORT const char* JLINK_GetRegisterName(uint32_t idx) { return devsim::jlink::VirtualProbe::RegisterName(idx); }
JLINK_EXPORT uint32_t JLINK_ReadReg(uint32_t idx) { return Probe().ReadRegister(idx); }
JLINK_EXPORT int JLINK_WriteReg(uint32_t idx, uint32_t v) { return Probe().WriteRegister(idx, v); }
JLINK_EXPORT void JLINKARM_SetErrorOutHandler(devsim::jlink::LogFn log) { Probe().SetErrorHandler(log); }
JLINK_EXPORT int JLINK_RTTERMINAL_Control(uint32_t cmd, void* p) { return Probe().RttControl(cmd, p); }

JLINK_EXPORT int JLINK_RTTERMINAL_Write(uint32_t buf, const char* p, uint32_t size) {
    if (!p) return -1;
    return Probe().RttWrite(buf, p, size);
}

JLINK_EXPORT int JLINK_RTTERMINAL_Read(uint32_t buf, char* p, uint32_t size) {
    if (!p) return -1;
    return Probe().RttRead(buf, p, size);
}
