#pragma once
// A device on virtual time, driven the way the transport drives it.
#include <string>
#include <vector>

#include "devsim/model/device.h"
#include "devsim/model/factory_firmware.h"
#include "platform/clock.h"

namespace devsim_test {

// The standard extensions with a firmware that reads `options` as it runs.
inline devsim::DeviceExtensions FirmwareExtensions(std::shared_ptr<const devsim::FactoryFirmwareOptions> options) {
    devsim::DeviceExtensions extensions = devsim::StandardExtensions();
    extensions.firmware = [options](devsim::Device& device, uint32_t jumpAddress) {
        return devsim::MakeFirmware(device, jumpAddress, options);
    };
    return extensions;
}

// Virtual time that also moves a little each time it is read, as the wall
// clock does between the steps of one tick on a busy machine.
class CreepingClock : public platform::VirtualClock {
public:
    uint64_t NowUs() override {
        AdvanceUs(creepUs);
        return VirtualClock::NowUs();
    }
    uint64_t creepUs = 0;
};

struct Harness {
    explicit Harness(const std::string& type = "QM2B", devsim::Device::StartMode mode = devsim::Device::StartMode::RamLoader,
                     devsim::FaultOptions faults = {},
                     devsim::DeviceExtensions extensions = devsim::StandardExtensions())
        : device(devsim::DeviceType(type), clock, faults, std::move(extensions)) {
        device.Start(mode);
        device.TakeOutput();
    }
    // Sends bytes and returns what the device answered at once.
    std::string Send(const std::string& bytes) {
        device.OnBytes(bytes);
        return device.TakeOutputText();
    }
    std::string Send(const std::vector<uint8_t>& bytes) {
        device.OnBytes(bytes.data(), bytes.size());
        return device.TakeOutputText();
    }
    // Lets virtual time pass and returns what the device said meanwhile.
    std::string Advance(uint32_t ms) {
        std::string out;
        for (uint32_t t = 0; t < ms; t += 10) {
            clock.AdvanceUs(10000);
            device.OnTick();
            out += device.TakeOutputText();
        }
        return out;
    }
    CreepingClock clock;
    devsim::Device device;
};

inline std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", v);
    return buf;
}

}  // namespace devsim_test
