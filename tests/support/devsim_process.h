#pragma once
// Runs the devsim program for end-to-end tests: starts it with options,
// reads the pseudo-terminal path from its first output line ("pty: PATH"),
// stops it with SIGTERM and reads the device state it saved.
//
//   testing_support::DevsimProcess dev;
//   ASSERT_TRUE(dev.Start({"--device", "QM2B", "--mode", "loader"}));
//   ... open dev.PtyPath() with platform::SerialPort ...
//   devsim::StateFile state;
//   ASSERT_TRUE(dev.StopAndLoadState(state));
//
// Without a --state option in the arguments, Start adds one naming a file
// in the test's temporary directory (StatePath()).
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "devsim/model/state_file.h"
#include "platform/child_process.h"
#include "platform/clock.h"

#ifndef STATION_BIN_DIR
#error "STATION_BIN_DIR must name the directory of the built programs"
#endif

namespace testing_support {

class DevsimProcess {
public:
    DevsimProcess() = default;
    ~DevsimProcess() { Stop(); }
    DevsimProcess(const DevsimProcess&) = delete;
    DevsimProcess& operator=(const DevsimProcess&) = delete;

    static std::string BinaryPath() { return std::string(STATION_BIN_DIR) + "/devsim"; }

    // Starts devsim and waits (up to timeoutMs) for its "pty: " line.
    bool Start(std::vector<std::string> options, int timeoutMs = 5000) {
        Stop();
        output_.clear();
        ptyPath_.clear();
        bool hasState = false;
        for (size_t i = 0; i + 1 < options.size(); ++i) {
            if (options[i] == "--state") {
                statePath_ = options[i + 1];
                hasState = true;
            }
            if (options[i] == "--state-dir") hasState = true;  // a line of devices keeps its own
        }
        if (!hasState) {
            static int counter = 0;
            statePath_ = TempDirectory() + "devsim_" + std::to_string(getpid()) + "_" + std::to_string(++counter) +
                         ".state";
            std::remove(statePath_.c_str());
            options.push_back("--state");
            options.push_back(statePath_);
        }
        std::vector<std::string> args{BinaryPath()};
        args.insert(args.end(), options.begin(), options.end());
        if (!child_.Start(args)) return false;
        started_ = true;
        platform::Clock& clock = platform::SystemClock();
        const uint64_t deadline = clock.NowMs() + uint64_t(timeoutMs);
        while (clock.NowMs() < deadline) {
            const size_t eol = output_.find('\n');
            if (eol != std::string::npos) {
                const std::string line = output_.substr(0, eol);
                if (line.rfind("pty: ", 0) != 0) return false;
                ptyPath_ = line.substr(5);
                return true;
            }
            if (!child_.ReadAvailable(output_, 50)) return false;
        }
        return false;
    }

    const std::string& PtyPath() const { return ptyPath_; }
    const std::string& StatePath() const { return statePath_; }
    bool Running() { return started_ && child_.Running(); }
    pid_t Pid() const { return child_.pid(); }

    // SIGTERM and wait; returns devsim's exit status (0 when it saved).
    int Stop() {
        if (!started_) return exitStatus_;
        started_ = false;
        if (child_.Running()) ::kill(child_.pid(), SIGTERM);
        while (child_.ReadAvailable(output_, 1000)) {
        }
        exitStatus_ = child_.Wait();
        return exitStatus_;
    }

    // After Stop(): the bytes that crossed the line both ways over the run
    // (devsim's last output line), or -1.
    long long LineBytes() {
        std::string rest = output_;
        const size_t at = rest.rfind("line: ");
        unsigned long long in = 0, out = 0;
        if (at == std::string::npos ||
            std::sscanf(rest.c_str() + at, "line: %llu bytes in, %llu bytes out", &in, &out) != 2)
            return -1;
        return (long long)(in + out);
    }

    // Stops devsim and reads the state it saved.
    bool StopAndLoadState(devsim::StateFile& state, std::string* error = nullptr) {
        if (Stop() != 0) {
            if (error) *error = "devsim exited with status " + std::to_string(exitStatus_);
            return false;
        }
        return devsim::ReadStateFile(statePath_, state, error);
    }

private:
    static std::string TempDirectory() {
        const char* dir = std::getenv("TMPDIR");
        std::string d = dir && *dir ? dir : "/tmp";
        if (d.back() != '/') d += '/';
        return d;
    }

    platform::ChildProcess child_;
    bool started_ = false;
    int exitStatus_ = -1;
    std::string output_;
    std::string ptyPath_;
    std::string statePath_;
};

}  // namespace testing_support
