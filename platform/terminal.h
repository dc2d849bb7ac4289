#pragma once

namespace platform {

// Whether standard output is a terminal (the live table) or a pipe or file
// (one line per event).
bool StdoutIsTerminal();

// Columns of the terminal on standard output; 0 when unknown.
int TerminalColumns();

// SIGINT and SIGTERM set a flag instead of ending the process, so that a
// program can stop its work in order. Installed once per process.
void CatchStopSignals();
bool StopSignalReceived();

}  // namespace platform
