#include "platform/stop_signal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {

std::atomic<bool> gStop{false};
int gPipe[2] = {-1, -1};

void OnStopSignal(int) {
    const int saved = errno;
    RequestStop();
    errno = saved;
}

}  // namespace

void InstallStopSignals() {
    if (gPipe[0] < 0 && pipe2(gPipe, O_NONBLOCK | O_CLOEXEC) != 0) gPipe[0] = gPipe[1] = -1;
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    // No SA_RESTART: a blocking call in progress returns so the job can stop.
    sa.sa_flags = 0;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

bool StopRequested() { return gStop.load(std::memory_order_relaxed); }

void RequestStop() {
    gStop.store(true, std::memory_order_relaxed);
    if (gPipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(gPipe[1], &byte, 1);
    }
}

void ClearStopRequest() {
    gStop.store(false, std::memory_order_relaxed);
    if (gPipe[0] >= 0) {
        char buf[64];
        while (::read(gPipe[0], buf, sizeof buf) > 0) {
        }
    }
}

int StopDescriptor() { return gPipe[0]; }

void SleepUnlessStopped(uint32_t ms) {
    using namespace std::chrono;
    if (gPipe[0] < 0) {
        std::this_thread::sleep_for(milliseconds(ms));
        return;
    }
    const auto end = steady_clock::now() + milliseconds(ms);
    while (!StopRequested()) {
        const auto leftUs = duration_cast<microseconds>(end - steady_clock::now()).count();
        if (leftUs <= 0) return;
        pollfd p{gPipe[0], POLLIN, 0};
        ::poll(&p, 1, int((leftUs + 999) / 1000));
    }
}

}  // namespace platform
