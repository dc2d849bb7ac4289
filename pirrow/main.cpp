#include <string>
#include <vector>

#include "pirrow/exit_status.h"
#include "pirrow/jobs.h"
#include "platform/clock.h"
#include "platform/stop_signal.h"

int main(int argc, char** argv) {
    platform::InstallStopSignals();
    std::vector<std::string> args(argv, argv + argc);
    pirrow::Session session(platform::SystemClock(), pirrow::SerialPortOpener());
    int32_t status = pirrow::RunPirrow(args, session);
    return common::ProcessExitCode(status);
}
