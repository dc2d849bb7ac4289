#pragma once
#include <string>

namespace dastrel {

// Name of the result file, written in the folder of the logs.
inline constexpr const char* kResultFileName = "result.txt";

// Writes "result.txt" in dir: one line per channel log "Chan<n>*.txt" (channel
// groups 1 to 9, each sorted by name), holding the log's first calibration
// marker line. Returns false only when the result file cannot be created;
// logs that cannot be read are skipped.
bool CollectCalibrationResults(const std::string& dir);

}  // namespace dastrel
