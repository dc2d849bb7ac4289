// Weak defaults of the two extension hooks (device.h): nothing answers on
// the debug port and the firmware is silent until a module defines them.
#include "devsim/model/device.h"

namespace devsim {

__attribute__((weak)) std::unique_ptr<DebugPortHandler> MakeDebugPortHandler(Device&) { return nullptr; }

__attribute__((weak)) std::unique_ptr<Personality> MakeFirmware(Device&, uint32_t) { return nullptr; }

}  // namespace devsim
