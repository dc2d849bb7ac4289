#include "station/engine/startup/station_startup.h"

#include "platform/paths.h"
#include "station/engine/jobs/function_selection.h"
#include "station/engine/jobs/job_services.h"
#include "station/engine/log/log_paths.h"
#include "station/engine/settings/station_settings.h"

namespace station {

namespace {
constexpr const char* kJLinkLibraryName = "libjlinkarm.so";
}  // namespace

void LoadJLinkLibrary(const std::string& jlinkPath, StationFrontEnd& frontEnd, StationRuntime& runtime) {
    runtime.jlinkLibraryPath.clear();
    runtime.jlinkGetList = nullptr;
    std::string path;
    if (!jlinkPath.empty()) {
        path = platform::JoinPath(jlinkPath, kJLinkLibraryName);
        if (!runtime.jlink.Load(path)) path.clear();
    }
    if (path.empty() && runtime.jlink.Load(kJLinkLibraryName)) path = kJLinkLibraryName;
    if (path.empty()) {
        frontEnd.Message("x 出现非法错误，请确认安装了jlink软件，并设置好环境变量!");
        return;
    }
    runtime.jlinkLibraryPath = path;
    runtime.jlinkGetList = runtime.jlink.Symbol("JLINK_EMU_GetList");
    if (!runtime.jlinkGetList) frontEnd.Message("x 出现非法错误，jlink_EMU_GetList null!");
}

bool RunStartup(const StationSettings& settings, FunctionSelection& functions, StationFrontEnd& frontEnd,
                const StartupHooks& hooks, StationRuntime& runtime) {
    const std::string& root = settings.Root();
    if (!runtime.instanceLock.Acquire(platform::JoinPath(root, kInstanceLockFile))) {
        frontEnd.Message(kAlreadyRunningMessage);
        return false;
    }

    const MacWhiteList whiteList = settings.ReadMacWhiteList();
    if (whiteList.truncated) frontEnd.Message(kMacWhiteListTooLongMessage);
    runtime.macWhiteList = whiteList.entries;

    if (!settings.IniExists()) frontEnd.Message(kIniMissingMessage);
    CreateStationDirectories(root);

    bool replaced = false;
    functions.Load(settings, &replaced);
    if (replaced) frontEnd.Message(kFuncTypeErrorMessage);

    LoadJLinkLibrary(settings.Read(COMMON_SET::JLINK_PATH), frontEnd, runtime);
    if (hooks.openFactoryDatabase) hooks.openFactoryDatabase();
    if (hooks.scanPorts) hooks.scanPorts();
    if (hooks.stationIdentifier) runtime.stationId = hooks.stationIdentifier();
    return true;
}

}  // namespace station
