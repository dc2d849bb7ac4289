#pragma once
// devsim's command line.
#include <cstdint>
#include <string>
#include <vector>

#include "devsim/model/device.h"
#include "devsim/model/device_options.h"

namespace devsim_serial {

struct Options {
    std::string device = "QM2B";
    devsim::Device::StartMode mode = devsim::Device::StartMode::BootRom;
    std::string stateFile;
    bool rateLimit = false;
    devsim::DeviceOptions deviceOptions;
    // The RAM loader image the boot ROM is to receive (--loader).
    std::vector<uint8_t> loader;
    // A line of `lineDevices` devices served one after another on one
    // pseudo-terminal; their state files live in `stateDir`.
    int lineDevices = 0;
    uint32_t lineGapMs = 0;
    std::string stateDir;
};

// 0 ok, 1 help shown, 2 error (message on standard error).
int ParseOptions(int argc, char** argv, Options& options);

}  // namespace devsim_serial
