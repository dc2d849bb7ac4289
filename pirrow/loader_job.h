#pragma once
#include <functional>

#include "pirrow/session.h"

namespace pirrow {

// The frame every job on the RAM loader shares: its start line, the loader
// phase, the job's own steps, clean-up on every path once the port was
// opened, closing the port, and the "<name> success" / "<name> fail" line.
struct LoaderJob {
    const char* startLine;                 // logged as given
    const char* name;                      // of the verdict line
    bool switchToWorkingBaud = false;      // see LoaderPhase
    int startPercent = -1;                 // printed once the loader runs (-1: none)
    std::function<void(Session&)> finish;  // before the port closes (may be empty)
};

bool RunLoaderJob(Session& s, const LoaderJob& job, const std::function<bool(Session&)>& steps);

}  // namespace pirrow
