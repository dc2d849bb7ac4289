// The standard extension points of a device (device.h).
#include "devsim/model/debug_port.h"
#include "devsim/model/device.h"
#include "devsim/model/factory_firmware.h"

namespace devsim {

DeviceExtensions StandardExtensions(const DebugPortFaults& debugPortFaults, const FactoryFirmwareOptions& firmware) {
    auto options = std::make_shared<const FactoryFirmwareOptions>(firmware);
    return DeviceExtensions{
        [debugPortFaults](Device& device) { return MakeDebugPortHandler(device, debugPortFaults); },
        [options](Device& device, uint32_t jumpAddress) { return MakeFirmware(device, jumpAddress, options); }};
}

}  // namespace devsim
