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
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "devsim/model/device.h"
#include "devsim/serial/device_line.h"
#include "devsim/serial/options.h"
#include "devsim/serial/rate_bucket.h"
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

    devsim_serial::RateBucket in, out;
    std::vector<uint8_t> pending;
    size_t pendingAt = 0;
    std::vector<uint8_t> buf(65536);
    bool closed = false;
    uint64_t bytesIn = 0, bytesOut = 0;
    while (!gStop) {
        if (closed) {
            clock.SleepMs(50);
            continue;
        }
        const platform::PseudoTerminal::Use use = pty.PollUse();
        line.OnLineUse(use.opened, use.holders);
        devsim::Device* device = line.Current();
        const int baud = device ? device->Baud() : devsim::kLoaderBaud;

        const uint64_t now = clock.NowUs();
        size_t allowIn = buf.size();
        if (o.rateLimit) allowIn = std::min(allowIn, in.Allowance(now, baud));
        const bool outWaiting = pendingAt < pending.size();
        long n = 0;
        if (allowIn == 0) {
            const uint64_t waitUs = in.WaitUs(baud);
            clock.SleepMs(uint32_t(std::clamp<uint64_t>(waitUs / 1000, 1, 5)));
        } else {
            n = pty.ReadSome(buf.data(), allowIn, outWaiting ? 1 : 5);
            if (n < 0) clock.SleepMs(5);  // the master fails at once: do not spin
        }
        if (n > 0) bytesIn += uint64_t(n);
        if (n > 0 && o.rateLimit) in.Spend(size_t(n));
        // Fewer bytes than allowed: the tool's side of the line ran dry.
        if (allowIn > 0 && size_t(n < 0 ? 0 : n) < allowIn) in.Idle();
        if (device) {
            device->SetLineBaud(pty.LineBaud());
            if (n > 0) {
                device->OnBytes(buf.data(), size_t(n));
                line.OnBytesReceived();
            } else {
                device->OnTick();
            }
            std::vector<uint8_t> fresh = device->TakeOutput();
            if (!fresh.empty()) {
                if (pendingAt == pending.size()) {
                    pending.clear();
                    pendingAt = 0;
                }
                pending.insert(pending.end(), fresh.begin(), fresh.end());
            }
        }
        if (pendingAt < pending.size()) {
            size_t allowOut = pending.size() - pendingAt;
            if (o.rateLimit) allowOut = std::min(allowOut, out.Allowance(clock.NowUs(), baud));
            if (allowOut > 0) {
                // Sent at a rate the other end does not listen at: noise.
                if (device && !device->LineRateMatches()) devsim::ToLineNoise(pending.data() + pendingAt, allowOut);
                const long w = pty.WriteSome(pending.data() + pendingAt, allowOut);
                if (w > 0) {
                    pendingAt += size_t(w);
                    bytesOut += uint64_t(w);
                    if (o.rateLimit) out.Spend(size_t(w));
                }
            }
        } else {
            out.Idle();
        }
        if (device && device->Disconnected()) {
            // The line goes away for good, as a device pulled from its cable.
            std::fprintf(stderr, "devsim: disconnected (fault)\n");
            pty.Close();
            closed = true;
        }
        line.Tick();
    }
    const bool saved = line.SaveCurrent();
    pty.Close();
    std::printf("line: %llu bytes in, %llu bytes out\n", (unsigned long long)bytesIn, (unsigned long long)bytesOut);
    return saved ? 0 : 1;
}
