#include "pirrow/loader_job.h"

#include "common/print_log.h"
#include "pirrow/loader.h"

namespace pirrow {

bool RunLoaderJob(Session& s, const LoaderJob& job, const std::function<bool(Session&)>& steps) {
    common::PrintLog(false, "%s", job.startLine);
    s.progress.total = 0;
    bool ok = LoaderPhase(s, job.switchToWorkingBaud);
    const bool loaderRan = ok;
    if (ok) {
        if (job.startPercent >= 0) PrintPercent(job.startPercent);
        ok = steps(s);
    }
    if (job.finish && s.link.IsOpen()) job.finish(s);
    // A job without --loadram expects the loader at 1000000 baud: a device
    // left running is handed back at that rate (the result does not change
    // the verdict), a device that was reset boots afresh.
    const bool deviceReset = loaderRan && s.link.loaderState() == LoaderState::Absent;
    if (s.link.IsOpen() && !deviceReset && s.link.Baud() != kLoaderBaud) BurnSpeed(s, kLoaderBaud);
    s.link.Close();
    common::PrintLog(false, ok ? "%s success \n" : "%s fail \n", job.name);
    return ok;
}

}  // namespace pirrow
