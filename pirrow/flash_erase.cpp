#include <cstdio>

#include "common/print_log.h"
#include "pirrow/erase_table.h"
#include "pirrow/jobs.h"
#include "pirrow/loader_job.h"

namespace pirrow {

using common::PrintLog;

namespace {

bool RunEraseSteps(Session& s, const std::vector<EraseStep>& steps) {
    for (const EraseStep& step : steps) {
        PrintLog(false, "%s", step.logLine.c_str());
        s.link.Send(step.command);
        if (!s.link.WaitOkProgress(step.timeoutMs, step.from, step.to)) return false;
    }
    PrintPercent(100);
    return true;
}

// Both whole-flash jobs log under the one name.
bool EraseWholeFlash(Session& s, EraseAllKind kind) {
    return RunLoaderJob(s, {"EraseAllUart start \n", "EraseAllUart", false, 10, nullptr}, [kind](Session& session) {
        return RunEraseSteps(session, EraseAllSteps(session.settings.deviceType, kind));
    });
}

bool EraseRange(Session& s) {
    char command[64];
    std::snprintf(command, sizeof command, "burn_erase 0x%x 0x%x\r", s.settings.readAddr, s.settings.readLen);
    s.link.Send(command);
    if (!s.link.WaitOkProgress(5000, 10, 90)) return false;
    PrintPercent(100);
    return true;
}

}  // namespace

bool EraseAllUart(Session& s) { return EraseWholeFlash(s, EraseAllKind::Everything); }

bool EraseExcludeAddrUart(Session& s) { return EraseWholeFlash(s, EraseAllKind::KeepFactoryArea); }

bool EraseAddrUart(Session& s) {
    return RunLoaderJob(s, {"EraseAddrUart start \n", "EraseAddrUart", false, 10, nullptr}, EraseRange);
}

}  // namespace pirrow
