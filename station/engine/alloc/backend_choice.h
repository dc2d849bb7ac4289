#pragma once
// The backend that the [POOL] section of "Torvane.ini" names: "postgresql"
// for a pool shared by several stations, anything else (or nothing) for the
// station's own files.
#include <memory>

#include "station/engine/alloc/allocation_backend.h"
#include "station/engine/settings/station_settings.h"

namespace station {

std::unique_ptr<AllocationBackend> MakeAllocationBackend(const StationSettings& settings,
                                                         AllocationBackend::MessageFn showMessage);

}  // namespace station
