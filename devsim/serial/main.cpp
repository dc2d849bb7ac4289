// devsim: virtual devices on a pseudo-terminal.
//
// The first line on standard output is "pty: <slave path>\n" (for example
// "pty: /dev/pts/5"); a tool opens that path as its serial port. Everything
// else devsim says goes to standard error. SIGTERM or SIGINT end it; the
// device's flash and OTP records are saved then (options.cpp, device_line.h),
// and the last line on standard output is "line: <in> bytes in, <out> bytes
// out": what crossed the line in each direction over the whole run.
//
// The line behaves like a UART: bytes cross it intact only while the rate
// the tool set on its port (read from the pseudo-terminal) equals the
// device's own rate; otherwise both directions see line noise.
#include <csignal>
#include <cstdio>
#include <string>

#include "devsim/model/device.h"
#include "devsim/serial/device_line.h"
#include "devsim/serial/line_pump.h"
#include "devsim/serial/options.h"
#include "platform/clock.h"
#include "platform/pseudo_terminal.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

}  // namespace

int main(int argc, char** argv) {
    devsim_serial::Options o;
    if (int r = devsim_serial::ParseOptions(argc, argv, o); r != 0) return r == 1 ? 0 : 2;

    platform::Clock& clock = platform::SystemClock();
    devsim_serial::DeviceLine line(o, clock);
    std::string error;
    if (!line.Start(error)) {
        std::fprintf(stderr, "devsim: %s\n", error.c_str());
        return 2;
    }

    platform::PseudoTerminal pty;
    if (!pty.Open()) {
        std::fprintf(stderr, "devsim: cannot open a pseudo-terminal\n");
        return 2;
    }
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::printf("pty: %s\n", pty.SlavePath().c_str());
    std::fflush(stdout);

    devsim_serial::LinePump pump(pty, line, clock, o.rateLimit);
    bool open = true;
    while (!gStop) {
        if (!open) {
            clock.SleepMs(50);
            continue;
        }
        if (!pump.Step()) {
            pty.Close();
            open = false;
        }
    }
    const bool saved = line.SaveCurrent();
    pty.Close();
    std::printf("line: %llu bytes in, %llu bytes out\n", (unsigned long long)pump.BytesIn(),
                (unsigned long long)pump.BytesOut());
    return saved ? 0 : 1;
}
