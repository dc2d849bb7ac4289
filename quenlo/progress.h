#pragma once
// Progress of flash operations as the J-Link library reports it, turned into
// "percent:" lines over the whole job.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quenlo {

// Phases in index order, matched as substrings of the library's action text.
constexpr std::array<const char*, 4> kPhaseNames = {"Compare", "Erase", "Program", "Verify"};
constexpr size_t kMaxStages = 20;

struct ProgressModel {
    uint32_t totalBytes = 0;
    uint32_t fileEnd = 0;
    uint32_t fileBase = 0;
    uint32_t lastReported = 0;
    uint32_t fileIndex = 0;
    int32_t phase = 0;
    int32_t lastPercent = 0;
    std::array<int32_t, 4> phaseEnabled{};
    std::array<int32_t, 4> phaseStart{};
    std::array<int32_t, 4> phaseSpan{};
    std::array<uint32_t, kMaxStages> fileLength{};  // per listed file, or per erase stage
};

// Phase shares of one file, by the compare and verify options.
void SetPhaseTable(ProgressModel& model, bool compare, bool verify);

// A chip erase counted in stages; `total` is what the percent is taken of.
void SetStages(ProgressModel& model, const std::vector<uint32_t>& stages, uint32_t total);

// One report of the library during a download: percent of the current phase
// of the current file.
void DownloadProgress(ProgressModel& model, const char* action, const char* info, int percent);

// One report during a chip erase: each 100 % moves to the next stage.
void StagedProgress(ProgressModel& model, const char* action, const char* info, int percent);

// The library calls plain C functions; these route its reports to the model
// made active (null: reports are dropped).
void SetActiveProgress(ProgressModel* model);
void DownloadProgressCallback(const char* action, const char* info, int percent);
void StagedProgressCallback(const char* action, const char* info, int percent);

}  // namespace quenlo
