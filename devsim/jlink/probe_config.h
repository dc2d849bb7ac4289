#pragma once
// What the virtual J-Link library serves, read when a tool loads it: from
// DEVSIM_JLINK_<KEY> environment variables, or from KEY=VALUE lines of the
// file that DEVSIM_JLINK_CONFIG names (a variable wins over the file).
//
//   DEVICE          device type behind every probe (default: the tool's
//                   "device=" command, else QM2B)
//   PROBES          serial numbers of the attached probes, comma-separated
//                   (default 59602728)
//   STATE           state file (flash and OTP records), loaded at the first
//                   connect and saved at every close; a directory holds one
//                   file per probe, "<serial>.state"
//   RTT_ADDR        address of the RTT control block of the programs that
//                   run on the device (default 0x20000000)
//   DOWNLOAD_FAILS  this many flash downloads fail half-way (default 0)
//   NO_TARGET       1: the probe finds no target
//   NO_RTT          1: the running program has no RTT control block
//   OPTIONS         device options as the serial devsim takes them
//                   ("--fw-fail bt --crystal-ms 300 ...")
//   CALL_COUNTS     file to which the library appends, when the tool unloads
//                   it, how often the tool called the RTT terminal:
//                   "JLINK_RTTERMINAL_Read <n>" and "JLINK_RTTERMINAL_Write <n>"
#include <cstdint>
#include <string>
#include <vector>

#include "devsim/model/device_options.h"

namespace devsim::jlink {

struct ProbeConfig {
    std::string device;
    std::vector<uint32_t> probes{59602728};
    std::string state;
    uint32_t rttAddress = 0x20000000;
    int downloadFails = 0;
    bool noTarget = false;
    bool noRtt = false;
    std::string callCounts;
    DeviceOptions deviceOptions;
};

// Reads the configuration; problems are written to standard error and the
// value in question keeps its default.
ProbeConfig ReadProbeConfig();

// The state file of one probe (empty: none).
std::string StateFileFor(const ProbeConfig& config, uint32_t serial);

}  // namespace devsim::jlink
