#pragma once
// Start-up of the station without windows: the steps that prepare what the
// channel threads and the front ends share, in their order.
#include <functional>
#include <string>
#include <vector>

#include "platform/instance_lock.h"
#include "platform/shared_library.h"

namespace station {

class StationSettings;
class FunctionSelection;
class StationFrontEnd;

inline constexpr const char* kAlreadyRunningMessage = "此程序正在运行，同一路径只能打开一次。";
// The file in the station root whose lock marks a running station.
inline constexpr const char* kInstanceLockFile = "Torvane.lock";

// Start-up steps that other engine parts own.
struct StartupHooks {
    std::function<void()> openFactoryDatabase;        // FACTORY_DB checks and the connection
    std::function<std::string()> stationIdentifier;   // 12 hexadecimal digits, or "2BXX%08X"
    std::function<void()> scanPorts;                  // fills the channels' port fields
};

// What start-up makes and keeps for the whole run.
struct StationRuntime {
    platform::InstanceLock instanceLock;
    std::vector<std::string> macWhiteList;  // at most 10 entries
    platform::SharedLibrary jlink;
    std::string jlinkLibraryPath;  // empty when no J-Link library was loaded
    void* jlinkGetList = nullptr;  // JLINK_EMU_GetList
    std::string stationId;
};

// False when another station runs in the same root (the message is shown);
// every other problem is shown and costs only its own feature.
bool RunStartup(const StationSettings& settings, FunctionSelection& functions, StationFrontEnd& frontEnd,
                const StartupHooks& hooks, StationRuntime& runtime);

// J-Link library: "libjlinkarm.so" in the JLINK_PATH directory, else through
// the loader's search path.
void LoadJLinkLibrary(const std::string& jlinkPath, StationFrontEnd& frontEnd, StationRuntime& runtime);

}  // namespace station
