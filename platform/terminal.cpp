#include "platform/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>

namespace platform {
namespace {

volatile std::sig_atomic_t gStopSignal = 0;

void OnStopSignal(int) { gStopSignal = 1; }

}  // namespace

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

int TerminalColumns() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

void CatchStopSignals() {
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool StopSignalReceived() { return gStopSignal != 0; }

}  // namespace platform
