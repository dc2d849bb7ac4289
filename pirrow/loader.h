#pragma once
#include "pirrow/session.h"

namespace pirrow {

// Brings the RAM loader up on the link: opens the port at the loader rate,
// loads the loader when --loadram 1 asks for it (a second try at the working
// rate when that differs), and, when `switchToWorkingBaud`, moves a loader
// that was already running to the working rate.
bool LoaderPhase(Session& s, bool switchToWorkingBaud);

// Places the RAM loader in the device and starts it, through the boot ROM's
// debug port for QM2A (short frames) and QM2C (long frames), else by dfu_recv.
bool LoadRamLoader(Session& s, int currentBaud, int targetBaud);

// Tells the loader the new rate, follows it, and waits for its "OK".
bool BurnSpeed(Session& s, int newBaud);

// Restarts the device ("burn_reset"); no reply is awaited.
void ResetUe(Session& s);

}  // namespace pirrow
