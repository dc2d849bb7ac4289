#include <string>
#include <vector>

#include "common/exit_status.h"
#include "platform/clock.h"
#include "quenlo/jobs.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    quenlo::Tool tool(platform::SystemClock());
    return common::ProcessExitCode(quenlo::RunQuenlo(args, tool));
}
