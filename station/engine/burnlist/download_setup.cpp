#include "station/engine/burnlist/download_setup.h"

#include "station/engine/burnlist/ram_loader_check.h"

namespace station {

std::string ConfirmDownloadSetup(const StationSettings& settings, bool burnSelected,
                                 const std::vector<DownloadFile>& files) {
    if (!GenerateStationBurnList(settings, files).ok && burnSelected) return kBurnListFailedMessage;
    return CheckRamLoaderChoice(settings);
}

}  // namespace station
