#include "pirrow/loader.h"

#include <cstdio>

#include "common/print_log.h"
#include "common/text_search.h"
#include "pirrow/debug_boot.h"
#include "pirrow/dfu_boot.h"

namespace pirrow {

using common::PrintLog;

namespace {

bool BringUpLoader(Session& s, bool switchToWorkingBaud) {
    const int baud = s.settings.baud;
    if (!s.link.Open(s.settings.portName, kLoaderBaud)) return false;
    if (s.settings.loadRam == 1) {
        if (LoadRamLoader(s, kLoaderBaud, baud)) return true;
        if (baud == kLoaderBaud) return false;
        s.link.Close();
        if (!s.link.Open(s.settings.portName, baud)) return false;
        return LoadRamLoader(s, baud, baud);
    }
    if (switchToWorkingBaud && baud != kLoaderBaud) return BurnSpeed(s, baud);
    return true;
}

}  // namespace

bool LoaderPhase(Session& s, bool switchToWorkingBaud) {
    const bool ok = BringUpLoader(s, switchToWorkingBaud);
    if (ok) s.link.SetLoaderState(LoaderState::AtCommand);
    return ok;
}

bool LoadRamLoader(Session& s, int currentBaud, int targetBaud) {
    const std::string& device = s.settings.deviceType;
    if (common::Contains(device, "QM2A"))
        return DebugPortBoot(s, DebugFrameForm::Short, currentBaud, targetBaud);
    if (common::Contains(device, "QM2C"))
        return DebugPortBoot(s, DebugFrameForm::Long, currentBaud, targetBaud);
    return DfuBoot(s, currentBaud, targetBaud);
}

bool BurnSpeed(Session& s, int newBaud) {
    char command[64];
    std::snprintf(command, sizeof command, "burn_speed %d %d\r", newBaud, 1000);
    PrintLog(false, "%s\n", command);
    s.link.Send(command);
    s.clock.SleepMs(10);
    s.link.SetBaud(newBaud);
    return s.link.WaitOk(3000);
}

void ResetUe(Session& s) {
    s.link.SetLoaderState(LoaderState::Absent);
    s.link.Send("burn_reset\r");
    s.clock.SleepMs(100);
    PrintLog(false, "resetUe success \n");
}

}  // namespace pirrow
