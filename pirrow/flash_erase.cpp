#include <cstdio>

#include "common/print_log.h"
#include "pirrow/erase_table.h"
#include "pirrow/jobs.h"
#include "pirrow/loader.h"

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

bool EraseWholeFlash(Session& s, EraseAllKind kind) {
    PrintLog(false, "EraseAllUart start \n");
    s.progress.total = 0;
    bool ok = LoaderPhase(s, false);
    if (ok) {
        PrintPercent(10);
        ok = RunEraseSteps(s, EraseAllSteps(s.settings.deviceType, kind));
    }
    s.link.Close();
    PrintLog(false, ok ? "EraseAllUart success \n" : "EraseAllUart fail \n");
    return ok;
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
    PrintLog(false, "EraseAddrUart start \n");
    s.progress.total = 0;
    bool ok = LoaderPhase(s, false);
    if (ok) {
        PrintPercent(10);
        ok = EraseRange(s);
    }
    s.link.Close();
    PrintLog(false, ok ? "EraseAddrUart success \n" : "EraseAddrUart fail \n");
    return ok;
}

}  // namespace pirrow
