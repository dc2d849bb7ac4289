#include <string>
#include <vector>

#include "pirrow/exit_status.h"
#include "platform/clock.h"
#include "quenlo/jobs.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    quenlo::Tool tool(platform::SystemClock());
    const int32_t status = quenlo::RunQuenlo(args, tool);
    pirrow::ReportStatus(status);
    return pirrow::ProcessExitCode(status);
}
