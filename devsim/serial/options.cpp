#include "devsim/serial/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/file_util.h"

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
    "  --loader FILE          the RAM loader image the boot ROM is to receive: a loader\n"
    "                         whose bytes (dfu_recv: all but an unsent tail of 36 bytes\n"
    "                         or fewer; debug port: the whole image) arrive otherwise\n"
    "                         runs as silent code (default: any loader whose transfer\n"
    "                         was in order)\n"
    "  --line N               serve N devices one after another: when a device is reset\n"
    "                         by burn_reset, or after --line-gap of silence, it leaves\n"
    "                         and a new blank one arrives in its boot ROM\n"
    "  --line-gap MS          silence after the last bytes received that ends a\n"
    "                         device's turn on the line (default 0: only burn_reset)\n"
    "  --state-dir DIR        with --line: device N's state is saved as\n"
    "                         DIR/device_N.state when it leaves and on SIGTERM/SIGINT\n"
    "  --help                 this text\n"
    "\n"
    "The device's own options:\n";


bool ParseUnsigned(const char* text, uint64_t& value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    value = std::strtoull(text, &end, 0);
    return *end == '\0' && text[0] != '-';
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
            std::fputs(devsim::DeviceOptionsUsage().c_str(), stdout);
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
        } else if (a == "--loader") {
            if (!needs(next != nullptr && common::ReadWholeFile(next, o.loader) && !o.loader.empty())) return 2;
        } else if (a == "--line") {
            if (!needs(ParseUnsigned(next, n) && n >= 1 && n <= 100000)) return 2;
            o.lineDevices = int(n);
        } else if (a == "--line-gap") {
            if (!needs(ParseUnsigned(next, n) && n <= 3600000)) return 2;
            o.lineGapMs = uint32_t(n);
        } else if (a == "--state-dir") {
            if (!needs(next != nullptr && *next)) return 2;
            o.stateDir = next;
        } else {
            std::string error;
            switch (devsim::ApplyDeviceOption(o.deviceOptions, a, next, error)) {
                case devsim::DeviceOptionUse::Flag:
                    break;
                case devsim::DeviceOptionUse::WithValue:
                    ++i;
                    break;
                case devsim::DeviceOptionUse::Bad:
                    std::fprintf(stderr, "devsim: %s\n", error.c_str());
                    return 2;
                case devsim::DeviceOptionUse::Unknown:
                    std::fprintf(stderr, "devsim: unknown option %s\n%s", a.c_str(), kUsage);
                    return 2;
            }
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
