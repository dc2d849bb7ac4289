#include "station/engine/alloc/backend_choice.h"

#include <strings.h>

#include "station/engine/alloc/local_backend.h"
#include "station/engine/alloc/pool_backend.h"

namespace station {
namespace {

bool PoolModeOn(const StationSettings& settings) {
    return ::strcasecmp(settings.Read(POOL::BACKEND).c_str(), "postgresql") == 0;
}

}  // namespace

std::unique_ptr<AllocationBackend> MakeAllocationBackend(const StationSettings& settings,
                                                         AllocationBackend::MessageFn showMessage) {
    if (PoolModeOn(settings)) return std::make_unique<PoolBackend>(settings, std::move(showMessage));
    return std::make_unique<LocalBackend>(settings, std::move(showMessage));
}

}  // namespace station
