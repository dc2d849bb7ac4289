#pragma once
// The personalities the model carries itself (device.h names them).
#include <memory>

#include "devsim/model/device.h"

namespace devsim {

std::unique_ptr<Personality> MakeBootRom();
std::unique_ptr<Personality> MakeRamLoader();
// Runs when no factory firmware module is linked: takes bytes, answers nothing.
std::unique_ptr<Personality> MakeSilentFirmware();

}  // namespace devsim
