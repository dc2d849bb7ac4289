#pragma once
#include "pirrow/session.h"

namespace pirrow {

// Frame forms of the boot ROM's debug port: short for QM2A, long for QM2C.
enum class DebugFrameForm { Short, Long };

// Halts the core through the boot ROM's debug port, writes the RAM loader
// into RAM, starts it and brings its text channel to `targetBaud`.
bool DebugPortBoot(Session& s, DebugFrameForm form, int currentBaud, int targetBaud);

}  // namespace pirrow
