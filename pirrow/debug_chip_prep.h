#pragma once
#include "pirrow/debug_port.h"

namespace pirrow {

// Long form only: powers and halts the second core and sets the system
// registers the reset with vector catch relies on. False when an access failed.
bool PrepareLongFormChip(DebugPort& port, platform::Clock& clock);

}  // namespace pirrow
