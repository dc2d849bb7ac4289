// Jobs that this build does not carry yet. Each says so in the log and fails;
// none of them touches the device.
#include "common/print_log.h"
#include "pirrow/debug_boot.h"
#include "pirrow/jobs.h"

namespace pirrow {

namespace {
bool Unavailable(const char* job) {
    common::PrintLog(false, "X %s is not available in this build\n", job);
    return false;
}
}  // namespace

bool DebugPortBoot(Session&, DebugFrameForm form, int, int) {
    return Unavailable(form == DebugFrameForm::Short ? "debug-port boot (QM2A)" : "debug-port boot (QM2C)");
}

}  // namespace pirrow
