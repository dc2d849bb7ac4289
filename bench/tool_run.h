#pragma once
// Scripted end-to-end runs for the benchmarks: Pirrow against a devsim on a
// pseudo-terminal, in a scratch directory, with its log read back.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/process_cpu.h"
#include "platform/child_process.h"
#include "tests/support/devsim_process.h"

namespace bench_support {

// A scratch directory that goes with the object.
class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/station_bench_XXXXXX";
        if (mkdtemp(pattern)) path_ = pattern;
    }
    ~ScratchDir() {
        if (!path_.empty()) std::filesystem::remove_all(path_);
    }
    bool ok() const { return !path_.empty(); }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }

private:
    std::string path_;
};

// Reproducible bytes standing in for an image; the same seed gives the same bytes.
inline std::string PseudoRandomBytes(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    for (auto& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = char(seed >> 16);
    }
    return bytes;
}

// A tool of this build started in `workDir`: "Pirrow", "Quenlo" ...
inline bool StartTool(platform::ChildProcess& tool, const std::string& name, std::vector<std::string> args,
                      const std::string& workDir) {
    args.insert(args.begin(), std::string(STATION_BIN_DIR) + "/" + name);
    return tool.Start(args, workDir);
}

// Lets a started tool run to its end (its console is read and dropped);
// its exit status.
inline int FinishTool(platform::ChildProcess& tool) {
    std::string out;
    while (tool.ReadAvailable(out, 1000)) {
    }
    return tool.Wait();
}

struct ToolResult {
    int status = -1;
    std::string log;
    long long lineBytes = -1;  // what crossed devsim's line both ways
    double deviceCpuSeconds = -1;  // devsim's CPU over the run
};

// Starts devsim with `devsimOptions` (its state kept in `dir`), runs Pirrow
// on its port with `options` and the log in `dir`, and stops the device.
inline ToolResult RunPirrowOnDevsim(const ScratchDir& dir, std::vector<std::string> devsimOptions,
                                    const std::vector<std::string>& options) {
    ToolResult result;
    testing_support::DevsimProcess device;
    devsimOptions.insert(devsimOptions.end(), {"--state", dir.Path("state")});
    if (!device.Start(devsimOptions)) {
        std::fprintf(stderr, "devsim did not start\n");
        return result;
    }
    std::vector<std::string> args{"--port", device.PtyPath(), "--log", dir.Path("run.log")};
    args.insert(args.end(), options.begin(), options.end());
    platform::ChildProcess tool;
    if (!StartTool(tool, "Pirrow", args, dir.path())) return result;
    result.status = FinishTool(tool);
    result.deviceCpuSeconds = ProcessCpuSeconds(device.Pid());
    device.Stop();
    result.lineBytes = device.LineBytes();
    std::ifstream in(dir.Path("run.log"));
    result.log.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return result;
}

// Prints one measurement against its target; true when the target is met.
inline bool Report(const char* name, double measuredMs, double referenceMs, double targetMs, const char* reference) {
    const bool met = measuredMs >= 0 && measuredMs <= targetMs;
    std::printf("%s: %.0f ms against %.0f ms %s (target <= %.0f ms): %s\n", name, measuredMs, referenceMs, reference,
                targetMs, met ? "met" : "NOT met");
    return met;
}

// Prints a phase against the time its bytes need (by default the wire time);
// true when the ratio is within the target.
inline bool ReportRatio(const char* what, double phaseMs, double needMs, double targetRatio,
                        const char* need = "wire time") {
    const bool met = phaseMs / needMs <= targetRatio;
    std::printf("%s: %.0f ms, %s %.0f ms, ratio %.3f (target <= %.2f): %s\n", what, phaseMs, need, needMs,
                phaseMs / needMs, targetRatio, met ? "met" : "NOT met");
    return met;
}

// Wire time of n bytes at a baud rate: 10 bits per byte (8N1).
inline double WireMs(double bytes, int baud) { return bytes * 10.0 * 1000.0 / baud; }

}  // namespace bench_support
