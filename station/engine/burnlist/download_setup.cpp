#include "station/engine/burnlist/download_setup.h"

#include "station/engine/burnlist/ram_loader_check.h"

namespace station {

std::string ConfirmDownloadSetup(const StationSettings& settings, bool burnSelected,
                                 const std::vector<DownloadFile>& files, std::string* listFailure) {
    const BurnListOutcome list = GenerateStationBurnList(settings, files);
    if (listFailure) *listFailure = list.message;
    if (!list.ok && burnSelected) return kBurnListFailedMessage;
    return CheckRamLoaderChoice(settings);
}

}  // namespace station
