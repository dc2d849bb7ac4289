#include "station/engine/startup/station_assembly.h"

#include <memory>

#include "station/engine/log/main_log.h"
#include "station/engine/scan/jlink_library.h"
#include "station/engine/scan/port_scan.h"
#include "station/engine/state/channel_state.h"

namespace station {

StationAssembly::StationAssembly(const std::string& root, StationFrontEnd& frontEnd)
    : frontEnd_(frontEnd),
      settings_(root),
      channels_(StationChannels()),
      allocator_(settings_, [&frontEnd](const std::string& message) { frontEnd.Message(message); }),
      runner_(settings_, channels_),
      numbers_(allocator_),
      boot_(settings_, channels_),
      recorder_(settings_, [&frontEnd](const std::string& message) { frontEnd.Message(message); }),
      commandFrontEnd_(frontEnd),
      engine_(settings_, channels_,
              StationParts{runner_, numbers_, boot_, commandFrontEnd_, platform::SystemClock(),
                           platform::LocalTimeNow, &recorder_}) {
    InstallMainLog(std::make_shared<MainLog>(root));
}

StationAssembly::~StationAssembly() { Shutdown(); }

bool StationAssembly::Start() {
    StartupHooks hooks;
    hooks.openFactoryDatabase = [this] { allocator_.OpenFactoryDatabase(); };
    hooks.scanPorts = [this] {
        const ScanResult scan = ScanPorts(settings_, channels_, StationJLink());
        if (!scan.operatorMessage.empty()) frontEnd_.Message(scan.operatorMessage);
    };
    hooks.stationIdentifier = [this] {
        allocator_.MakeStationIdentifier();
        return allocator_.StationIdentifier();
    };
    if (!RunStartup(settings_, engine_, frontEnd_, StationJLink(), hooks, runtime_)) return false;
    recorder_.SetStationId(runtime_.stationId);
    recorder_.RepairFromOutbox();
    engine_.StartThreads();
    started_ = true;
    return true;
}

void StationAssembly::Shutdown() {
    if (!started_) return;
    started_ = false;
    engine_.StopThreads();
    StationJLink().Unload();
}

}  // namespace station
