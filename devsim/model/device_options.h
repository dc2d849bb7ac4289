#pragma once
// The options that shape one device: its faults, its debug port's faults and
// what its application firmware answers. devsim's command line and the
// J-Link library's OPTIONS take them in the same words.
#include <string>

#include "devsim/model/device.h"
#include "devsim/model/faults.h"
#include "devsim/model/firmware_options.h"

namespace devsim {

struct DeviceOptions {
    FaultOptions faults;
    DebugPortFaults debugPort;
    FactoryFirmwareOptions firmware;

    // The standard extension points with this device's debug-port faults
    // and firmware answers.
    DeviceExtensions Extensions() const { return StandardExtensions(debugPort, firmware); }
};

// How ApplyDeviceOption took an option.
enum class DeviceOptionUse {
    Unknown,    // not a device option
    Flag,       // taken, the word after it is not its value
    WithValue,  // taken with the word after it
    Bad         // a device option whose value is missing or wrong; see `error`
};

// Takes one option word (`name`) and the word after it (`value`, null when
// there is none).
DeviceOptionUse ApplyDeviceOption(DeviceOptions& options, const std::string& name, const char* value,
                                  std::string& error);

// "split", "drop=N" and "drop=N-M", comma-separated; false for anything else.
bool ParseDebugPortFaults(const std::string& text, DebugPortFaults& faults);

// The usage lines of the device options.
std::string DeviceOptionsUsage();

}  // namespace devsim
