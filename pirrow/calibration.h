#pragma once
#include <string>

namespace pirrow {

// Seconds the crystal calibration is given (20 to 30): the first argument of
// a "ble_crystal_cali" command, the third of a "crystal_cali" command, else 20.
int CrystalWaitSeconds(const std::string& fishCommand);

}  // namespace pirrow
