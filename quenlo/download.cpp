#include "common/print_log.h"
#include "common/text_search.h"
#include "quenlo/jobs.h"

namespace quenlo {

using common::PrintLog;

namespace {

// Chip erase stages: the library reports one completion per flash bank.
const std::vector<uint32_t> kChipEraseStages = {0x800000, 0x1000000, 0x100000, 0x100000};
constexpr uint32_t kChipEraseTotal = 0x1900000;

bool DownloadOne(Tool& t, uint32_t index) {
    const ListedFile& file = t.cfg.files[index];
    ProgressModel& m = t.progress;
    PrintLog(false, "jlink_DownloadFile: %s  addr: 0x%08x  len: %d Byte\n", file.path.c_str(), file.address,
             int(file.length));
    m.fileEnd += file.length;
    const int attempts = t.cfg.retry + 1;
    for (int attempt = 0;; ++attempt) {
        m.phase = 0;
        if (t.jl.DownloadFile(file.path.c_str(), file.address) >= 0) {
            m.fileBase = m.lastReported = m.fileEnd;
            PrintLog(false, "jlink_DownloadFile pass\n");
            return true;
        }
        if (attempt + 1 >= attempts) {
            PrintLog(false, "X jlink_DownloadFile error\n");
            return false;
        }
        PrintLog(false, "X jlink_DownloadFile error, retry: %d\n", attempt);
    }
}

}  // namespace

bool DownLoadSWD(Tool& t) {
    if (!OpenSession(t)) return false;
    ApplyFlashSettings(t);
    ProgressModel& m = t.progress;
    SetPhaseTable(m, t.cfg.compare, t.cfg.verify);
    m.fileLength.fill(0);
    for (size_t i = 0; i < t.cfg.files.size() && i < kMaxStages; ++i) m.fileLength[i] = t.cfg.files[i].length;
    SetActiveProgress(&m);
    t.jl.SetFlashProgProgressCallback(DownloadProgressCallback);
    PreAction(t);
    m.lastReported = m.fileBase = 0;

    // The factory records come from the entry set aside here (the last one
    // when there are several), never from whichever file happens to be first.
    const ListedFile* records = nullptr;
    bool ok = true;
    for (uint32_t i = 0; i < t.cfg.files.size() && ok; ++i) {
        m.fileIndex = i;
        const ListedFile& file = t.cfg.files[i];
        if (file.address == kSkipAddress) continue;
        if (common::Contains(file.path, "BLE_SN_")) {
            records = &file;
            continue;
        }
        ok = DownloadOne(t, i);
    }
    t.jl.SetFlashProgProgressCallback(nullptr);
    SetActiveProgress(nullptr);
    if (!ok) {
        CloseSession(t);
        return false;
    }
    if (!records) {
        if (t.cfg.postact != 0) {
            LogResetResult(ResetTarget(t));
            t.jl.Go();
        }
        CloseSession(t);
        return true;
    }
    CloseSession(t);
    return WriteFactoryData(t, records->path);
}

bool EraseAllSWD(Tool& t) {
    if (!OpenSession(t)) return false;
    ApplyFlashSettings(t);
    if (t.cfg.preact == 2) HaltIfRunning(t);
    ProgressModel& m = t.progress;
    SetStages(m, kChipEraseStages, kChipEraseTotal);
    SetActiveProgress(&m);
    t.jl.SetFlashProgProgressCallback(StagedProgressCallback);
    const bool ok = t.jl.EraseChip() >= 0;
    t.jl.SetFlashProgProgressCallback(nullptr);
    SetActiveProgress(nullptr);
    CloseSession(t);
    return ok;
}

}  // namespace quenlo
