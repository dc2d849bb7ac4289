#pragma once
// The personalities the model carries itself (device.h names them).
#include <memory>

#include "devsim/model/device.h"

namespace devsim {

std::unique_ptr<Personality> MakeBootRom();
std::unique_ptr<Personality> MakeRamLoader();
// Code that takes bytes and answers nothing: the firmware when no factory
// firmware module is linked, or a RAM loader that arrived damaged.
std::unique_ptr<Personality> MakeSilentCode(PersonalityKind kind);

}  // namespace devsim
