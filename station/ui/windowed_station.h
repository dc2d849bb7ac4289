#pragma once
#include <string>
#include <vector>

namespace station::ui {

// `Torvane` with its windows: the same start-up as the headless station,
// then the main window until it is closed. Options for unattended runs:
//   --make-list         confirm the parameter page first (makes the burn list)
//   --start-all         press the start-all command once the window is up
//   --exit-when-done    close once every started channel's jobs have ended
//   --snapshots DIR     save PNG pictures of the windows into DIR
// Returns the exit status: 0, or 1 when a job ended FAIL or OVER in a run
// that exited by itself, 2 when start-up refused.
int RunWindowed(int argc, char** argv);

}  // namespace station::ui
