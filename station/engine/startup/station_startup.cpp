#include "station/engine/startup/station_startup.h"

#include "platform/paths.h"
#include "station/engine/jobs/station_engine.h"
#include "station/engine/log/log_paths.h"
#include "station/engine/scan/jlink_library.h"
#include "station/engine/settings/station_settings.h"

namespace station {

bool RunStartup(const StationSettings& settings, StationEngine& engine, StationFrontEnd& frontEnd,
                JLinkLibrary& jlink, const StartupHooks& hooks, StationRuntime& runtime) {
    const std::string& root = settings.Root();
    if (!runtime.instanceLock.Acquire(platform::JoinPath(root, kInstanceLockFile))) {
        frontEnd.Message(kAlreadyRunningMessage);
        return false;
    }
    // Before the first message, so that every message reaches the main log.
    CreateStationDirectories(root);

    const MacWhiteList whiteList = settings.ReadMacWhiteList();
    if (whiteList.truncated) frontEnd.Message(kMacWhiteListTooLongMessage);
    runtime.macWhiteList = whiteList.entries;

    if (!settings.IniExists()) frontEnd.Message(kIniMissingMessage);

    bool replaced = false;
    engine.LoadFunctions(&replaced);
    if (replaced) frontEnd.Message(kFuncTypeErrorMessage);

    // Without the J-Link library only the J-Link channels are lost.
    if (!jlink.Load(settings.Read(COMMON_SET::JLINK_PATH)))
        frontEnd.Message(kNoJLinkMessage);
    else if (!jlink.HasProbeList())
        frontEnd.Message(kNoProbeListMessage);

    if (hooks.openFactoryDatabase) hooks.openFactoryDatabase();
    if (hooks.scanPorts) hooks.scanPorts();
    if (hooks.stationIdentifier) runtime.stationId = hooks.stationIdentifier();
    return true;
}

}  // namespace station
