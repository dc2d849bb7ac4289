#pragma once
// Start-up of the station without windows: the steps that prepare what the
// channel threads and the front ends share, in their order.
#include <functional>
#include <string>
#include <vector>

#include "platform/instance_lock.h"

namespace station {

class StationSettings;
class StationEngine;
class StationFrontEnd;
class JLinkLibrary;

inline constexpr const char* kAlreadyRunningMessage = "此程序正在运行，同一路径只能打开一次。";
// The file in the station root whose lock marks a running station.
inline constexpr const char* kInstanceLockFile = "Torvane.lock";
inline constexpr const char* kNoJLinkMessage = "x 出现非法错误，请确认安装了jlink软件，并设置好环境变量!";
inline constexpr const char* kNoProbeListMessage = "x 出现非法错误，jlink_EMU_GetList null!";

// Start-up steps that other engine parts own.
struct StartupHooks {
    std::function<void()> openFactoryDatabase;       // FACTORY_DB checks and the connection
    std::function<std::string()> stationIdentifier;  // 12 hexadecimal digits, or "2BXX%08X"
    std::function<void()> scanPorts;                 // fills the channels' port fields
};

// What start-up makes and keeps for the whole run.
struct StationRuntime {
    platform::InstanceLock instanceLock;
    std::vector<std::string> macWhiteList;  // at most 10 entries
    std::string stationId;
};

// False when another station runs in the same root (the message is shown);
// every other problem is shown and costs only its own feature.
bool RunStartup(const StationSettings& settings, StationEngine& engine, StationFrontEnd& frontEnd,
                JLinkLibrary& jlink, const StartupHooks& hooks, StationRuntime& runtime);

}  // namespace station
