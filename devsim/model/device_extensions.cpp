// The standard extension points of a device (device.h).
#include "devsim/model/debug_port.h"
#include "devsim/model/device.h"
#include "devsim/model/factory_firmware.h"

namespace devsim {

DeviceExtensions StandardExtensions() { return DeviceExtensions{MakeDebugPortHandler, MakeFirmware}; }

}  // namespace devsim
