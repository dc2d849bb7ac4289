// devsim: one virtual device on a pseudo-terminal.
//
// The first line on standard output is "pty: <slave path>\n" (for example
// "pty: /dev/pts/5"); a tool opens that path as its serial port. Everything
// else devsim says goes to standard error. SIGTERM or SIGINT end it; with
// --state the device's flash and OTP records are saved atomically then (and
// after every "burn_reset"), and loaded at start when the file exists.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "devsim/model/debug_port.h"
#include "devsim/model/device.h"
#include "devsim/model/firmware_options.h"
#include "devsim/model/state_file.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/pseudo_terminal.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

const char* const kUsage =
    "usage: devsim [options]\n"
    "Serves one virtual device on a pseudo-terminal. The first line on standard\n"
    "output is \"pty: <slave path>\"; open that path as the serial port.\n"
    "\n"
    "  --device TYPE          device type: QM2A, QM2B, QM2C, QM2D, QM2E, with _NAND or\n"
    "                         _SD as the tools write it (default QM2B)\n"
    "  --mode MODE            start mode: bootrom (boot ROM, dfu_recv and debug port;\n"
    "                         default), loader (RAM loader already running at 1000000\n"
    "                         baud), firmware (application at the type's jump address)\n"
    "  --state FILE           load flash and OTP records from FILE at start when it\n"
    "                         exists; save them there atomically after burn_reset and\n"
    "                         on SIGTERM/SIGINT\n"
    "  --rate-limit           move bytes no faster than the device's baud / 10 per\n"
    "                         second in both directions (starts at 1000000, follows\n"
    "                         burn_speed)\n"
    "  --fail-command NAME    loader command NAME (first word, e.g. burn_verify; or\n"
    "                         dfu_recv) answers \"Fail\"\n"
    "  --silent-command NAME  loader command NAME is taken and never answered\n"
    "  --garbage              line noise before every reply (holds no token)\n"
    "  --disconnect-after N   after N image bytes received, close the pseudo-terminal\n"
    "                         and answer nothing any more\n"
    "  --no-argv-echo         calibration commands are taken without the \"argv[1]\" echo\n"
    "  --crystal pass|fail    crystal calibration outcome (default pass)\n"
    "  --crystal-ms N         crystal calibration time in ms (default 1000)\n"
    "  --battery pass|fail    battery calibration outcome (default pass)\n"
    "  --battery-ms N         battery calibration time in ms (default 1000)\n"
    "  --record-ms N          time otp_factory_write and otp_factory_read take before\n"
    "                         they answer, in ms (default 0)\n"
    "  --debug-port-faults L  faults of the boot ROM's debug port, a comma-separated\n"
    "                         list: split (every reply in two pieces), drop=N or\n"
    "                         drop=N-M (replies N to M, counted from 1, never sent)\n"
    "  --help                 this text\n";

struct Options {
    std::string device = "QM2B";
    devsim::Device::StartMode mode = devsim::Device::StartMode::BootRom;
    std::string stateFile;
    bool rateLimit = false;
    devsim::FaultOptions faults;
};

bool ParseUnsigned(const char* text, uint64_t& value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    value = std::strtoull(text, &end, 0);
    return *end == '\0' && text[0] != '-';
}

bool ParsePassFail(const char* text, bool& pass) {
    if (!text) return false;
    if (std::strcmp(text, "pass") == 0) pass = true;
    else if (std::strcmp(text, "fail") == 0) pass = false;
    else return false;
    return true;
}

// 0 ok, 1 help shown, 2 error.
int ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needs = [&](bool ok) {
            if (!ok) std::fprintf(stderr, "devsim: bad or missing value for %s\n", a.c_str());
            ++i;
            return ok;
        };
        uint64_t n = 0;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(devsim::FirmwareOptionsUsage(), stdout);
            return 1;
        } else if (a == "--device") {
            if (!needs(next != nullptr)) return 2;
            o.device = next;
        } else if (a == "--mode") {
            const std::string m = next ? next : "";
            if (m == "bootrom") o.mode = devsim::Device::StartMode::BootRom;
            else if (m == "loader") o.mode = devsim::Device::StartMode::RamLoader;
            else if (m == "firmware") o.mode = devsim::Device::StartMode::Firmware;
            else return needs(false), 2;
            ++i;
        } else if (a == "--state") {
            if (!needs(next != nullptr)) return 2;
            o.stateFile = next;
        } else if (a == "--rate-limit") {
            o.rateLimit = true;
        } else if (a == "--fail-command") {
            if (!needs(next != nullptr)) return 2;
            o.faults.failCommand = next;
        } else if (a == "--silent-command") {
            if (!needs(next != nullptr)) return 2;
            o.faults.silentCommand = next;
        } else if (a == "--garbage") {
            o.faults.garbage = true;
        } else if (a == "--disconnect-after") {
            if (!needs(ParseUnsigned(next, n))) return 2;
            o.faults.disconnectAfterImageBytes = int64_t(n);
        } else if (a == "--debug-port-faults") {
            devsim::DebugPortFaults portFaults;
            if (!needs(next != nullptr && devsim::ParseDebugPortFaults(next, portFaults))) return 2;
            devsim::SetDebugPortFaults(portFaults);
        } else if (a == "--no-argv-echo") {
            o.faults.noArgvEcho = true;
        } else if (a == "--crystal") {
            if (!needs(ParsePassFail(next, o.faults.crystalPass))) return 2;
        } else if (a == "--crystal-ms") {
            if (!needs(ParseUnsigned(next, n))) return 2;
            o.faults.crystalDelayMs = uint32_t(n);
        } else if (a == "--battery") {
            if (!needs(ParsePassFail(next, o.faults.batteryPass))) return 2;
        } else if (a == "--battery-ms") {
            if (!needs(ParseUnsigned(next, n))) return 2;
            o.faults.batteryDelayMs = uint32_t(n);
        } else if (a == "--record-ms") {
            if (!needs(ParseUnsigned(next, n) && n <= 60000)) return 2;
            o.faults.recordDelayMs = uint32_t(n);
        } else if (a.rfind("--fw-", 0) == 0 || a.rfind("--gnss-", 0) == 0 || a == "--item-ms") {
            // The application firmware's own options (firmware_options.h).
            bool known = false;
            std::string error = "missing value for " + a;
            if (!next || !devsim::ApplyFirmwareOption(devsim::FirmwareOptions(), a, next, known, error)) {
                std::fprintf(stderr, "devsim: %s\n", error.c_str());
                return 2;
            }
            ++i;
        } else {
            std::fprintf(stderr, "devsim: unknown option %s\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    return 0;
}

// Bytes a direction may move now at baud / 10 bytes per second. While the
// sender keeps the line busy the wire runs continuously, so bytes due
// during a late wake-up of this loop are still delivered; once the line
// goes idle nothing piles up, since a wire cannot make up for idle time.
class RateBucket {
public:
    size_t Allowance(uint64_t nowUs, int baud) {
        const double perUs = double(baud) / 10.0 / 1e6;
        const double cap = std::max(64.0, perUs * 200000.0);
        if (lastUs_ == 0) lastUs_ = nowUs;
        tokens_ = std::min(cap, tokens_ + double(nowUs - lastUs_) * perUs);
        lastUs_ = nowUs;
        return tokens_ < 1.0 ? 0 : size_t(tokens_);
    }
    void Spend(size_t n) { tokens_ -= double(n); }
    // Nothing is waiting to cross the line.
    void Idle() { tokens_ = std::min(tokens_, 1.0); }
    // Microseconds until one byte is allowed.
    uint64_t WaitUs(int baud) const {
        const double perUs = double(baud) / 10.0 / 1e6;
        return tokens_ >= 1.0 ? 0 : uint64_t((1.0 - tokens_) / perUs) + 1;
    }

private:
    uint64_t lastUs_ = 0;
    double tokens_ = 0;
};

bool Save(const Options& o, const devsim::Device& device) {
    if (o.stateFile.empty()) return true;
    std::string error;
    if (devsim::SaveStateFile(o.stateFile, device, &error)) return true;
    std::fprintf(stderr, "devsim: %s\n", error.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (int r = ParseOptions(argc, argv, o); r != 0) return r == 1 ? 0 : 2;

    platform::Clock& clock = platform::SystemClock();
    devsim::Device device{devsim::DeviceType(o.device), clock, o.faults};
    if (!o.stateFile.empty() && platform::FileExists(o.stateFile)) {
        std::string error;
        if (!devsim::LoadStateFile(o.stateFile, device, &error)) {
            std::fprintf(stderr, "devsim: %s\n", error.c_str());
            return 2;
        }
    }
    device.onReset = [&] { Save(o, device); };

    platform::PseudoTerminal pty;
    if (!pty.Open()) {
        std::fprintf(stderr, "devsim: cannot open a pseudo-terminal\n");
        return 2;
    }
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::printf("pty: %s\n", pty.SlavePath().c_str());
    std::fflush(stdout);

    device.Start(o.mode);

    RateBucket in, out;
    std::vector<uint8_t> pending;
    size_t pendingAt = 0;
    std::vector<uint8_t> buf(65536);
    bool closed = false;
    while (!gStop) {
        if (closed) {
            clock.SleepMs(50);
            continue;
        }
        const uint64_t now = clock.NowUs();
        size_t allowIn = buf.size();
        if (o.rateLimit) allowIn = std::min(allowIn, in.Allowance(now, device.Baud()));
        const bool outWaiting = pendingAt < pending.size();
        long n = 0;
        if (allowIn == 0) {
            const uint64_t waitUs = in.WaitUs(device.Baud());
            clock.SleepMs(uint32_t(std::clamp<uint64_t>(waitUs / 1000, 1, 5)));
        } else {
            n = pty.ReadSome(buf.data(), allowIn, outWaiting ? 1 : 5);
            if (n < 0) clock.SleepMs(5);  // the master fails at once: do not spin
        }
        if (n > 0 && o.rateLimit) in.Spend(size_t(n));
        // Fewer bytes than allowed: the tool's side of the line ran dry.
        if (allowIn > 0 && size_t(n < 0 ? 0 : n) < allowIn) in.Idle();
        if (n > 0) {
            device.OnBytes(buf.data(), size_t(n));
        } else {
            device.OnTick();
        }
        std::vector<uint8_t> fresh = device.TakeOutput();
        if (!fresh.empty()) {
            if (pendingAt == pending.size()) {
                pending.clear();
                pendingAt = 0;
            }
            pending.insert(pending.end(), fresh.begin(), fresh.end());
        }
        if (pendingAt < pending.size()) {
            size_t allowOut = pending.size() - pendingAt;
            if (o.rateLimit) allowOut = std::min(allowOut, out.Allowance(clock.NowUs(), device.Baud()));
            if (allowOut > 0) {
                const long w = pty.WriteSome(pending.data() + pendingAt, allowOut);
                if (w > 0) {
                    pendingAt += size_t(w);
                    if (o.rateLimit) out.Spend(size_t(w));
                }
            }
        } else {
            out.Idle();
        }
        if (device.Disconnected()) {
            // The line goes away for good, as a device pulled from its cable.
            std::fprintf(stderr, "devsim: disconnected (fault)\n");
            pty.Close();
            closed = true;
        }
    }
    const bool saved = Save(o, device);
    pty.Close();
    return saved ? 0 : 1;
}
