#include "quenlo/progress.h"

#include <algorithm>
#include <cstring>

#include "common/print_log.h"

namespace quenlo {

using common::PrintLog;

namespace {

ProgressModel* gActive = nullptr;

const char* Text(const char* s) { return s ? s : ""; }

// Steps 1 and 2 shared by both routines: the phase the action names (a
// phase going back, or a disabled one, drops the report) and the percent
// capped at 100. False when the report is dropped.
bool TakePhase(ProgressModel& m, const char* action, int percent, int& pct) {
    for (int p = 0; p < int(kPhaseNames.size()); ++p) {
        if (!std::strstr(Text(action), kPhaseNames[size_t(p)])) continue;
        if (p < m.phase || m.phaseEnabled[size_t(p)] == 0) return false;
        m.phase = p;
    }
    pct = std::clamp(percent, 0, 100);  // a negative report would wrap the byte count
    return true;
}

uint32_t LengthOf(const ProgressModel& m, uint32_t index) { return index < kMaxStages ? m.fileLength[index] : 0; }

// Prints "percent:" when the byte count makes a new percent of the total.
void ReportDone(ProgressModel& m, uint32_t done) {
    const uint32_t unit = (m.totalBytes + 99) / 100;
    if (unit == 0) return;  // nothing to count against
    const int32_t now = int32_t(done / unit);
    if (now != m.lastPercent) {
        m.lastPercent = now;
        common::PrintConsole("percent:%d \n", now);
    }
}

}  // namespace

void SetPhaseTable(ProgressModel& m, bool compare, bool verify) {
    struct Row {
        std::array<int32_t, 4> enabled, start, span;
    };
    static const Row kBoth{{1, 1, 1, 1}, {0, 5, 35, 95}, {5, 30, 60, 5}};
    static const Row kNeither{{0, 1, 1, 0}, {0, 0, 33, 0}, {0, 33, 67, 0}};
    static const Row kVerifyOnly{{0, 1, 1, 1}, {0, 0, 31, 93}, {0, 31, 62, 7}};
    static const Row kCompareOnly{{1, 1, 1, 0}, {0, 7, 38, 0}, {7, 31, 62, 0}};
    const Row& row = compare ? (verify ? kBoth : kCompareOnly) : (verify ? kVerifyOnly : kNeither);
    m.phaseEnabled = row.enabled;
    m.phaseStart = row.start;
    m.phaseSpan = row.span;
}

void SetStages(ProgressModel& m, const std::vector<uint32_t>& stages, uint32_t total) {
    m.fileLength.fill(0);
    std::copy_n(stages.begin(), std::min(stages.size(), kMaxStages), m.fileLength.begin());
    m.totalBytes = total;
    m.fileEnd = m.fileLength[0];
    m.fileIndex = m.fileBase = m.lastReported = 0;
    m.phase = 0;
}

void DownloadProgress(ProgressModel& m, const char* action, const char* info, int percent) {
    int pct = 0;
    if (!TakePhase(m, action, percent, pct)) return;
    const double len = LengthOf(m, m.fileIndex);
    const size_t ph = size_t(m.phase);
    const double share = (pct / 100.0) * len * (m.phaseSpan[ph] / 100.0) + (m.phaseStart[ph] / 100.0) * len;
    const uint32_t done = std::min<uint32_t>(m.fileBase + uint32_t(share), m.fileEnd);
    if (done < m.lastReported) {
        // A retry starts the file again: hold the bar where it stood.
        ReportDone(m, m.lastReported);
        PrintLog(false, "    retry action:%s  info:%s  p:%d%%  totalP:%d%%\n", Text(action), Text(info), pct,
                 m.lastPercent);
        return;
    }
    m.lastReported = done;
    ReportDone(m, done);
    PrintLog(false, "    action:%s  info:%s  p:%d%%  totalP:%d%%\n", Text(action), Text(info), pct, m.lastPercent);
}

void StagedProgress(ProgressModel& m, const char* action, const char* info, int percent) {
    int pct = 0;
    if (!TakePhase(m, action, percent, pct)) return;
    PrintLog(false, "    action:%s  info:%s  p:%d%%\n", Text(action), Text(info), pct);
    const uint32_t delta = uint32_t(uint64_t(LengthOf(m, m.fileIndex)) * uint32_t(pct) / 100);
    const uint32_t done = std::min(m.fileBase + delta, m.fileEnd);
    ReportDone(m, done);
    PrintLog(false, "    action:%s  info:%s  p:%d%%  totalP:%d%%\n", Text(action), Text(info), pct, m.lastPercent);
    if (pct == 100) {
        m.phase = 0;
        m.fileBase += LengthOf(m, m.fileIndex);
        // Completions past the last stage count nothing more.
        if (m.fileIndex + 1 < kMaxStages) ++m.fileIndex;
        m.fileEnd += LengthOf(m, m.fileIndex);
    }
}

void SetActiveProgress(ProgressModel* model) { gActive = model; }

void DownloadProgressCallback(const char* action, const char* info, int percent) {
    if (gActive) DownloadProgress(*gActive, action, info, percent);
}

void StagedProgressCallback(const char* action, const char* info, int percent) {
    if (gActive) StagedProgress(*gActive, action, info, percent);
}

}  // namespace quenlo
