#pragma once
#include "pirrow/debug_frame.h"
#include "pirrow/session.h"

namespace pirrow {

// Halts the core through the boot ROM's debug port, writes the RAM loader
// into RAM, starts it and brings its text channel to `targetBaud`.
bool DebugPortBoot(Session& s, DebugFrameForm form, int currentBaud, int targetBaud);

}  // namespace pirrow
