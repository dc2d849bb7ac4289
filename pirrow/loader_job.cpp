#include "pirrow/loader_job.h"

#include "common/print_log.h"
#include "pirrow/loader.h"

namespace pirrow {

bool RunLoaderJob(Session& s, const LoaderJob& job, const std::function<bool(Session&)>& steps) {
    common::PrintLog(false, "%s", job.startLine);
    s.progress.total = 0;
    bool ok = LoaderPhase(s, job.switchToWorkingBaud);
    if (ok) {
        if (job.startPercent >= 0) PrintPercent(job.startPercent);
        ok = steps(s);
    }
    if (job.finish && s.link.IsOpen()) job.finish(s);
    s.link.Close();
    common::PrintLog(false, ok ? "%s success \n" : "%s fail \n", job.name);
    return ok;
}

}  // namespace pirrow
