#pragma once
// The whole station without windows, put together: settings, allocation,
// tool runner, boot-mode entry and the engine with its threads. A front end
// makes one, starts it, and drives its engine.
#include <string>

#include "station/engine/alloc/mac_sn_allocator.h"
#include "station/engine/jobs/station_engine.h"
#include "station/engine/jobs/routed_front_end.h"
#include "station/engine/jobs/station_services.h"
#include "station/engine/record/device_recorder.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/startup/station_startup.h"

namespace station {

class StationAssembly {
public:
    StationAssembly(const std::string& root, StationFrontEnd& frontEnd);
    ~StationAssembly();
    StationAssembly(const StationAssembly&) = delete;
    StationAssembly& operator=(const StationAssembly&) = delete;

    // The start-up steps, then the channel threads. False when another
    // station runs in this root.
    bool Start();
    // Ends the threads (their jobs must have ended) and closes the libraries.
    void Shutdown();

    StationEngine& Engine() { return engine_; }
    const StationSettings& Settings() const { return settings_; }
    const StationRuntime& Runtime() const { return runtime_; }
    DeviceRecorder& Records() { return recorder_; }

private:
    StationFrontEnd& frontEnd_;
    StationSettings settings_;
    ChannelTable& channels_;
    MacSnAllocator allocator_;
    ToolStepRunner runner_;
    AllocatorNumbers numbers_;
    UartBootEntry boot_;
    DeviceRecorder recorder_;
    RoutedFrontEnd commandFrontEnd_;
    StationEngine engine_;
    StationRuntime runtime_;
    bool started_ = false;
};

}  // namespace station
