#pragma once
#include <string>

namespace station {

class StationSettings;

// On UART the device needs a RAM loader for the chosen rate (the plain one
// up to 6000000 baud, the 8M one above). Returns the operator's message, or
// empty when the settings name one (or the interface is J-Link).
std::string MissingRamLoader(const StationSettings& settings);

// The checks made when the parameter page is confirmed, before the line
// runs: the RAM loader above; QM2A devices are driven only over UART.
// Returns the operator's message, or empty when all is well. The caller
// shows the message, which also logs it.
std::string CheckRamLoaderChoice(const StationSettings& settings);

}  // namespace station
