#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "common/print_log.h"
#include "platform/paths.h"
#include "quenlo/jobs.h"

namespace quenlo {

using common::PrintLog;

namespace {

constexpr uint32_t kDumpLineBytes = 16;
constexpr uint32_t kMinEraseBytes = 1024;
const std::vector<uint32_t> kEraseNormalStages = {0x800000, 0x2000000, 0x100000, 0x100000};
constexpr uint32_t kEraseNormalTotal = 0x2900000;

std::unique_ptr<uint8_t[]> Buffer(uint32_t n) { return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[n]); }

void PrintDump(uint32_t address, const uint8_t* data, uint32_t n) {
    std::string line;
    char cell[16];
    for (uint32_t i = 0; i < n; ++i) {
        if (i % kDumpLineBytes == 0) {
            std::snprintf(cell, sizeof cell, "%08x:  ", address + i);
            line = cell;
        }
        std::snprintf(cell, sizeof cell, "%02X  ", data[i]);
        line += cell;
        if (i % kDumpLineBytes == kDumpLineBytes - 1 || i + 1 == n) common::PrintConsole("%s\n", line.c_str());
    }
}

bool WriteFile(const std::string& path, const uint8_t* data, uint32_t n) {
    FILE* f = std::fopen(path.c_str(), "wb+");
    if (!f) return false;
    const bool written = std::fwrite(data, 1, n, f) == n;
    return std::fclose(f) == 0 && written;
}

// Flash jobs share this start: session, flash settings, and only pre-action 2.
bool OpenForFlash(Tool& t) {
    if (!OpenSession(t)) return false;
    ApplyFlashSettings(t);
    if (t.cfg.preact == 2) HaltIfRunning(t);
    return true;
}

}  // namespace

bool ReadSWD(Tool& t) {
    JobSettings& cfg = t.cfg;
    // Lines of the dump start on 16-byte boundaries; the bytes asked for are still all read.
    const uint32_t misalign = cfg.raddr % kDumpLineBytes;
    // A range past the top of the address space would wrap to address 0, and
    // a length that wraps past 32 bits reads a few bytes and calls it a pass.
    if (uint64_t(cfg.raddr) + cfg.rlen > uint64_t(UINT32_MAX) + 1 || uint64_t(cfg.rlen) + misalign > UINT32_MAX) {
        PrintLog(false, "X read range 0x%08x len 0x%x runs past 0xFFFFFFFF\n", cfg.raddr, cfg.rlen);
        return false;
    }
    if (!OpenSession(t)) return false;
    t.jl.ExecCommand("SetRestartOnClose = 0", nullptr, 0);
    HaltIfRunning(t);
    InstallErrorHandler(t);
    cfg.raddr -= misalign;
    cfg.rlen += misalign;
    std::unique_ptr<uint8_t[]> data = Buffer(cfg.rlen);
    if (!data) {
        CloseSession(t);
        return false;
    }
    const int read = t.jl.ReadMemEx(cfg.raddr, cfg.rlen, data.get(), 1);
    bool ok = read >= 0 && uint32_t(read) == cfg.rlen;
    // Bytes that were not read are never handed on as data.
    if (ok && !cfg.burnListFile.empty()) ok = WriteFile(cfg.burnListFile, data.get(), cfg.rlen);
    else if (ok) PrintDump(cfg.raddr, data.get(), cfg.rlen);
    CloseSession(t);
    return ok;
}

bool EraseSWD(Tool& t) {
    JobSettings& cfg = t.cfg;
    if (cfg.rlen < kMinEraseBytes) cfg.rlen = kMinEraseBytes;
    if (!OpenForFlash(t)) return false;
    std::unique_ptr<uint8_t[]> data = Buffer(cfg.rlen);
    if (!data) {
        PrintLog(false, "内存分配失败，长度 %d byte\n", int(cfg.rlen));
        CloseSession(t);
        return false;
    }
    std::fill_n(data.get(), cfg.rlen, uint8_t(0xFF));
    const std::string file =
        platform::JoinPath(platform::CurrentDirectory(), "erase_" + std::to_string(cfg.sn) + ".bin");
    if (!WriteFile(file, data.get(), cfg.rlen)) {
        PrintLog(false, "创建文件失败\n");
        CloseSession(t);
        return false;
    }
    PrintLog(false, "jlink_DownloadFile: %s\n", file.c_str());
    const int ret = t.jl.DownloadFile(file.c_str(), cfg.raddr);
    if (ret >= 0) PrintLog(false, "jlink_DownloadFile pass\n");
    else PrintLog(false, "X jlink_DownloadFile error %d\n", ret);
    CloseSession(t);
    return ret >= 0;
}

bool EraseNormalSWD(Tool& t) {
    JobSettings& cfg = t.cfg;
    if (!OpenForFlash(t)) return false;
    std::unique_ptr<uint8_t[]> kept = Buffer(cfg.rlen);
    if (!kept) {
        PrintLog(false, "malloc error len:0x%x\n", cfg.rlen);
        CloseSession(t);
        return false;
    }
    const int read = t.jl.ReadMemEx(cfg.raddr, cfg.rlen, kept.get(), 1);
    PrintLog(false, "jlink_ReadMemEx addr:0x%x len:0x%x ret:0x%x\n", cfg.raddr, cfg.rlen, unsigned(read));
    if (read < 0 || uint32_t(read) != cfg.rlen) {
        CloseSession(t);
        return false;
    }
    SetStages(t.progress, kEraseNormalStages, kEraseNormalTotal);
    SetActiveProgress(&t.progress);
    t.jl.SetFlashProgProgressCallback(StagedProgressCallback);
    // The kept range is written back whatever the erase gave, so it is never lost.
    const int erased = t.jl.EraseChip();
    if (erased < 0) PrintLog(false, "X jlink_EraseChip error %d\n", erased);
    t.jl.BeginDownload(0);
    const int written = t.jl.WriteMemEx(cfg.raddr, cfg.rlen, kept.get(), 1);
    PrintLog(false, "jlink_WriteMemEx addr:0x%x len:0x%x ret:0x%x\n", cfg.raddr, cfg.rlen, unsigned(written));
    // The library programs the flash when the download ends.
    const int ended = t.jl.EndDownload();
    if (ended < 0) PrintLog(false, "X jlink_EndDownload error %d\n", ended);
    t.jl.SetFlashProgProgressCallback(nullptr);
    SetActiveProgress(nullptr);
    CloseSession(t);
    return erased >= 0 && ended >= 0 && written >= 0 && uint32_t(written) == cfg.rlen;
}

}  // namespace quenlo
