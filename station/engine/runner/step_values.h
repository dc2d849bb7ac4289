#pragma once
#include <string>

#include "station/engine/runner/step_command.h"

namespace station {

class StationSettings;

// The values of a step's command line as the settings hold them now (the
// calibration pane's only for calibration steps).
StepValues ReadStepValues(const StationSettings& settings, StepKind step, int channel, const std::string& port,
                          const std::string& channelLog);

// A project of the old kind has a project-information file ("project_info.ini"
// in the station root) that names no model id; its PCBA tests pass bit 31 in
// `--third`. Without the file the project is not of the old kind.
bool IsOldKindProject(const std::string& root);

}  // namespace station
