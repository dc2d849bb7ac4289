#pragma once
// Shared fixture of the end-to-end tests: a temporary working directory, a
// devsim device with a state file in it, and runs of the real tool binaries
// with their console output, log and exit status.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "devsim/model/device_type.h"
#include "devsim/model/state_file.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "tests/support/devsim_process.h"

namespace testing_support {

struct ToolRun {
    int exitCode = -1;
    std::string out;  // standard output, whole
};

inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Bytes 0..n-1 of a repeatable pattern.
inline std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = 0x9E3779B9u * (seed + 1u);
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        v[i] = uint8_t(x);
    }
    return v;
}

class ToolE2e : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/station_e2e_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        device_.Stop();
        std::filesystem::remove_all(dir_);
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    std::string StatePath() const { return Path("device.state"); }
    std::string LogPath() const { return Path("run.log"); }
    std::string Log() const { return FileText(LogPath()); }

    // Puts `data` at each address into the device's flash before it starts.
    void Seed(const std::string& type, const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& data) {
        devsim::DeviceState state;
        state.flash.SetLayout(devsim::DeviceType(type).Regions());
        for (const auto& [address, bytes] : data)
            ASSERT_TRUE(state.flash.Program(address, bytes.data(), uint32_t(bytes.size()))) << std::hex << address;
        ASSERT_TRUE(devsim::SaveStateFile(StatePath(), type, state));
    }

    // mode: "bootrom", "loader" or "firmware"; extra: further devsim options.
    // A device in its boot ROM expects the RAM loader named loaderName_ when
    // the test wrote one, so a loader that arrives damaged never starts.
    void StartDevice(const std::string& type, const std::string& mode, std::vector<std::string> extra = {}) {
        std::vector<std::string> options{"--device", type, "--mode", mode, "--state", StatePath()};
        if (mode == "bootrom" && std::filesystem::exists(Path(loaderName_))) {
            options.push_back("--loader");
            options.push_back(Path(loaderName_));
        }
        options.insert(options.end(), extra.begin(), extra.end());
        ASSERT_TRUE(device_.Start(options));
    }

    // Runs a tool from the build's program directory in the test directory;
    // a tool still running after `limitMs` is killed and the test fails.
    ToolRun RunProgram(const std::string& program, const std::vector<std::string>& options, int limitMs = 180000) {
        std::vector<std::string> args{std::string(STATION_BIN_DIR) + "/" + program};
        args.insert(args.end(), options.begin(), options.end());
        ToolRun run;
        platform::ChildProcess child;
        if (!child.Start(args, dir_)) {
            ADD_FAILURE() << program << " did not start";
            return run;
        }
        platform::Clock& clock = platform::SystemClock();
        const uint64_t deadline = clock.NowMs() + uint64_t(limitMs);
        while (child.ReadAvailable(run.out, 200)) {
            if (clock.NowMs() > deadline) {
                ADD_FAILURE() << program << " did not end within " << limitMs << " ms";
                child.Kill();
                break;
            }
        }
        run.exitCode = child.Wait();
        return run;
    }

    // Pirrow on the device's port with its log in the test directory.
    ToolRun Pirrow(const std::vector<std::string>& options, const std::string& baud = "1000000") {
        std::vector<std::string> args{"--port", device_.PtyPath(), "--baund", baud, "--log", LogPath()};
        args.insert(args.end(), options.begin(), options.end());
        return RunProgram("Pirrow", args);
    }

    devsim::StateFile StopDevice() {
        devsim::StateFile state;
        std::string error;
        EXPECT_TRUE(device_.StopAndLoadState(state, &error)) << error;
        return state;
    }

    std::string dir_;
    std::string loaderName_ = "ram_patch.bin";
    DevsimProcess device_;
};

}  // namespace testing_support
