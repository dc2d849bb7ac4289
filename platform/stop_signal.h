#pragma once
#include <cstdint>

namespace platform {

// A tool asked to stop (SIGINT, SIGTERM) ends its job at the next wait
// instead of dying mid-protocol. The request is a flag plus a descriptor
// that becomes readable, so that every poll() of the tool wakes at once.

// Installs the SIGINT/SIGTERM handlers and ignores SIGPIPE (a console that
// went away must not end a job early).
void InstallStopSignals();

bool StopRequested();
// Requests a stop as a signal would (tests, and the handlers themselves).
void RequestStop();
// Forgets a request (tests run several jobs in one process).
void ClearStopRequest();

// Readable once a stop was requested; -1 before InstallStopSignals.
int StopDescriptor();

// Sleeps `ms`, returning early when a stop is requested.
void SleepUnlessStopped(uint32_t ms);

}  // namespace platform
