#include "devsim/serial/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/file_util.h"
#include "devsim/model/debug_port.h"
#include "devsim/model/firmware_options.h"

namespace devsim_serial {

namespace {

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
    "  --loader FILE          the RAM loader image the boot ROM is to receive: a loader\n"
    "                         whose bytes (dfu_recv: all but an unsent tail of 36 bytes\n"
    "                         or fewer; debug port: the whole image) arrive otherwise\n"
    "                         runs as silent code (default: any loader whose transfer\n"
    "                         was in order)\n"
    "  --flash-timing         erase and program take the time of a fast serial NOR\n"
    "                         flash: 60 ms per 64 KiB block erased, 0.25 ms per 256-byte\n"
    "                         page programmed (default: no time)\n"
    "  --corrupt-flash ADDR   the byte programmed at ADDR reads back wrong (a weak cell)\n"
    "  --bad-crc              the CRC line after burn_read data is wrong\n"
    "  --boot-faults LIST     faults of the boot ROM, a comma-separated list:\n"
    "                         split-banner (the banner in two pieces 60 ms apart),\n"
    "                         repeat-banner (the first handshake frame after a restart\n"
    "                         gets the banner again), no-reply (the handshake and the\n"
    "                         debug port answer nothing)\n"
    "  --line N               serve N devices one after another: when a device is reset\n"
    "                         by burn_reset, or after --line-gap of silence, it leaves\n"
    "                         and a new blank one arrives in its boot ROM\n"
    "  --line-gap MS          silence after the last bytes received that ends a\n"
    "                         device's turn on the line (default 0: only burn_reset)\n"
    "  --state-dir DIR        with --line: device N's state is saved as\n"
    "                         DIR/device_N.state when it leaves and on SIGTERM/SIGINT\n"
    "  --debug-port-faults L  faults of the boot ROM's debug port, a comma-separated\n"
    "                         list: split (every reply in two pieces), drop=N or\n"
    "                         drop=N-M (replies N to M, counted from 1, never sent)\n"
    "  --help                 this text\n";


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

bool ParseBootFaults(const std::string& text, devsim::FaultOptions& f) {
    size_t at = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        if (comma == std::string::npos) comma = text.size();
        const std::string item = text.substr(at, comma - at);
        at = comma + 1;
        if (item == "split-banner") f.bannerSplit = true;
        else if (item == "repeat-banner") f.bannerRepeat = true;
        else if (item == "no-reply") f.bootSilent = true;
        else if (!item.empty()) return false;
    }
    return true;
}

}  // namespace

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
        } else if (a == "--loader") {
            if (!needs(next != nullptr && common::ReadWholeFile(next, o.loader) && !o.loader.empty())) return 2;
        } else if (a == "--corrupt-flash") {
            if (!needs(ParseUnsigned(next, n) && n <= 0xFFFFFFFFu)) return 2;
            o.faults.corruptFlashAddress = uint32_t(n);
        } else if (a == "--flash-timing") {
            o.faults.flashTiming = true;
        } else if (a == "--bad-crc") {
            o.faults.badReadCrc = true;
        } else if (a == "--boot-faults") {
            if (!needs(next != nullptr && ParseBootFaults(next, o.faults))) return 2;
        } else if (a == "--line") {
            if (!needs(ParseUnsigned(next, n) && n >= 1 && n <= 100000)) return 2;
            o.lineDevices = int(n);
        } else if (a == "--line-gap") {
            if (!needs(ParseUnsigned(next, n) && n <= 3600000)) return 2;
            o.lineGapMs = uint32_t(n);
        } else if (a == "--state-dir") {
            if (!needs(next != nullptr && *next)) return 2;
            o.stateDir = next;
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
    if (o.lineDevices > 0 && !o.stateFile.empty()) {
        std::fprintf(stderr, "devsim: --line keeps its devices in --state-dir, not --state\n");
        return 2;
    }
    if (o.lineDevices == 0 && (o.lineGapMs != 0 || !o.stateDir.empty())) {
        std::fprintf(stderr, "devsim: --line-gap and --state-dir need --line\n");
        return 2;
    }
    return 0;
}

}  // namespace devsim_serial
