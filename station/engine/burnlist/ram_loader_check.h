#pragma once
#include <string>

namespace station {

class StationSettings;

// The checks made when the parameter page is confirmed, before the line
// runs: on UART the device needs a RAM loader for the chosen rate (the plain
// one up to 6000000 baud, the 8M one above); QM2A devices are driven only
// over UART. Returns the operator's message, or empty when all is well. The
// two loader messages are also written to the main log.
std::string CheckRamLoaderChoice(const StationSettings& settings);

}  // namespace station
