#include "devsim/model/device_options.h"

#include <cstdlib>
#include <cstring>

namespace devsim {
namespace {

const char* const kUsage =
    "  --fail-command NAME    loader command NAME (first word, e.g. burn_verify; or\n"
    "                         dfu_recv) answers \"Fail\"\n"
    "  --silent-command NAME  loader command NAME is taken and never answered\n"
    "  --garbage              line noise before every reply (holds no token)\n"
    "  --disconnect-after N   after N image bytes received, close the line and answer\n"
    "                         nothing any more\n"
    "  --no-argv-echo         calibration commands are taken without the \"argv[1]\" echo\n"
    "  --crystal pass|fail    crystal calibration outcome (default pass)\n"
    "  --crystal-ms N         crystal calibration time in ms (default 1000)\n"
    "  --battery pass|fail    battery calibration outcome (default pass)\n"
    "  --battery-ms N         battery calibration time in ms (default 1000)\n"
    "  --record-ms N          time otp_factory_write and otp_factory_read take before\n"
    "                         they answer, in ms (default 0)\n"
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
    "  --debug-port-faults L  faults of the boot ROM's debug port, a comma-separated\n"
    "                         list: split (every reply in two pieces), drop=N or\n"
    "                         drop=N-M (replies N to M, counted from 1, never sent)\n";

bool ParseUnsigned(const char* text, uint64_t max, uint64_t& value) {
    if (!text || !*text || text[0] == '-') return false;
    char* end = nullptr;
    value = std::strtoull(text, &end, 0);
    return *end == '\0' && value <= max;
}

bool ParsePassFail(const char* text, bool& pass) {
    if (!text) return false;
    if (std::strcmp(text, "pass") == 0) pass = true;
    else if (std::strcmp(text, "fail") == 0) pass = false;
    else return false;
    return true;
}

// Calls `item` with every comma-separated item of `text` (empty ones skipped);
// false as soon as one is refused.
template <typename Item>
bool ForEachItem(const std::string& text, Item item) {
    size_t at = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        if (comma == std::string::npos) comma = text.size();
        const std::string one = text.substr(at, comma - at);
        at = comma + 1;
        if (!one.empty() && !item(one)) return false;
    }
    return true;
}

bool ParseBootFaults(const std::string& text, FaultOptions& f) {
    return ForEachItem(text, [&](const std::string& item) {
        if (item == "split-banner") f.bannerSplit = true;
        else if (item == "repeat-banner") f.bannerRepeat = true;
        else if (item == "no-reply") f.bootSilent = true;
        else return false;
        return true;
    });
}

bool ParseCount(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoi(text);
    return true;
}

// A device option with a value; false when `name` is none of them.
bool IsValueOption(const std::string& name, const char* value, FaultOptions& f, DebugPortFaults& port, bool& ok) {
    uint64_t n = 0;
    if (name == "--fail-command" || name == "--silent-command") {
        if ((ok = value != nullptr)) (name == "--fail-command" ? f.failCommand : f.silentCommand) = value;
    } else if (name == "--disconnect-after") {
        if ((ok = ParseUnsigned(value, INT64_MAX, n))) f.disconnectAfterImageBytes = int64_t(n);
    } else if (name == "--crystal") {
        ok = ParsePassFail(value, f.crystalPass);
    } else if (name == "--battery") {
        ok = ParsePassFail(value, f.batteryPass);
    } else if (name == "--crystal-ms") {
        if ((ok = ParseUnsigned(value, UINT32_MAX, n))) f.crystalDelayMs = uint32_t(n);
    } else if (name == "--battery-ms") {
        if ((ok = ParseUnsigned(value, UINT32_MAX, n))) f.batteryDelayMs = uint32_t(n);
    } else if (name == "--record-ms") {
        if ((ok = ParseUnsigned(value, 60000, n))) f.recordDelayMs = uint32_t(n);
    } else if (name == "--corrupt-flash") {
        if ((ok = ParseUnsigned(value, 0xFFFFFFFFu, n))) f.corruptFlashAddress = uint32_t(n);
    } else if (name == "--boot-faults") {
        ok = value != nullptr && ParseBootFaults(value, f);
    } else if (name == "--debug-port-faults") {
        ok = value != nullptr && ParseDebugPortFaults(value, port);
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool ParseDebugPortFaults(const std::string& text, DebugPortFaults& faults) {
    faults = {};
    return ForEachItem(text, [&](const std::string& item) {
        if (item == "split") {
            faults.splitReplies = true;
            return true;
        }
        if (item.rfind("drop=", 0) != 0) return false;
        const std::string range = item.substr(5);
        const size_t dash = range.find('-');
        const std::string first = range.substr(0, dash);
        const std::string last = dash == std::string::npos ? first : range.substr(dash + 1);
        return ParseCount(first, faults.dropFirst) && ParseCount(last, faults.dropLast) &&
               faults.dropLast >= faults.dropFirst;
    });
}

DeviceOptionUse ApplyDeviceOption(DeviceOptions& o, const std::string& name, const char* value, std::string& error) {
    FaultOptions& f = o.faults;
    if (name == "--garbage") f.garbage = true;
    else if (name == "--no-argv-echo") f.noArgvEcho = true;
    else if (name == "--flash-timing") f.flashTiming = true;
    else if (name == "--bad-crc") f.badReadCrc = true;
    else {
        bool ok = true;
        if (IsValueOption(name, value, f, o.debugPort, ok)) {
            if (ok) return DeviceOptionUse::WithValue;
            error = "bad or missing value for " + name;
            return DeviceOptionUse::Bad;
        }
        if (name.rfind("--fw-", 0) != 0 && name.rfind("--gnss-", 0) != 0 && name != "--item-ms")
            return DeviceOptionUse::Unknown;
        // The application firmware's own options (firmware_options.h).
        bool known = false;
        error = "missing value for " + name;
        if (value && ApplyFirmwareOption(o.firmware, name, value, known, error)) return DeviceOptionUse::WithValue;
        return DeviceOptionUse::Bad;
    }
    return DeviceOptionUse::Flag;
}

std::string DeviceOptionsUsage() { return std::string(kUsage) + FirmwareOptionsUsage(); }

}  // namespace devsim
