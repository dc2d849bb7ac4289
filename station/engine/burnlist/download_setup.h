#pragma once
// The parameter page's confirmation of the download set-up, shared by the
// windowed page and the headless station's --make-list.
#include <string>
#include <vector>

#include "station/engine/burnlist/station_burn_list.h"

namespace station {

class StationSettings;

// Makes the station burn list from `files` whatever the function (its writer
// logs why it fails, and `listFailure` gets that reason; only a function
// with burn is refused then), then makes the RAM-loader checks. Returns the
// operator's message, or empty when the set-up may run.
std::string ConfirmDownloadSetup(const StationSettings& settings, bool burnSelected,
                                 const std::vector<DownloadFile>& files, std::string* listFailure = nullptr);

}  // namespace station
