#include "devsim/jlink/probe_config.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/paths.h"

namespace devsim::jlink {
namespace {

constexpr const char* kPrefix = "DEVSIM_JLINK_";

void Warn(const std::string& text) { std::fprintf(stderr, "devsim jlink: %s\n", text.c_str()); }

bool ReadNumber(const std::string& text, uint64_t& value) {
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    value = std::strtoull(text.c_str(), &end, 0);
    return *end == '\0';
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

std::map<std::string, std::string> ReadValues() {
    std::map<std::string, std::string> values;
    if (const char* file = std::getenv("DEVSIM_JLINK_CONFIG")) {
        std::ifstream in(file);
        if (!in) Warn(std::string("cannot read ") + file);
        std::string line;
        while (std::getline(in, line)) {
            line = Trim(line);
            if (line.empty() || line[0] == '#') continue;
            const size_t eq = line.find('=');
            if (eq == std::string::npos) {
                Warn("no KEY=VALUE: " + line);
                continue;
            }
            values[Trim(line.substr(0, eq))] = Trim(line.substr(eq + 1));
        }
    }
    for (const char* key : {"DEVICE", "PROBES", "STATE", "RTT_ADDR", "DOWNLOAD_FAILS", "NO_TARGET", "NO_RTT",
                            "OPTIONS", "CALL_COUNTS"}) {
        if (const char* v = std::getenv((std::string(kPrefix) + key).c_str())) values[key] = v;
    }
    return values;
}

// The device options, in the words the serial devsim takes them.
void ApplyOptions(const std::string& text, ProbeConfig& config) {
    std::istringstream words(text);
    std::vector<std::string> args;
    for (std::string w; words >> w;) args.push_back(w);
    for (size_t i = 0; i < args.size(); ++i) {
        const char* value = i + 1 < args.size() ? args[i + 1].c_str() : nullptr;
        std::string error;
        switch (ApplyDeviceOption(config.deviceOptions, args[i], value, error)) {
            case DeviceOptionUse::Flag:
                break;
            case DeviceOptionUse::WithValue:
                ++i;
                break;
            case DeviceOptionUse::Bad:
                Warn(error);
                if (value) ++i;
                break;
            case DeviceOptionUse::Unknown:
                Warn("unknown option " + args[i]);
                break;
        }
    }
}

}  // namespace

ProbeConfig ReadProbeConfig() {
    ProbeConfig config;
    std::map<std::string, std::string> values = ReadValues();
    uint64_t n = 0;
    for (const auto& [key, value] : values) {
        if (key == "DEVICE") {
            config.device = value;
        } else if (key == "PROBES") {
            config.probes.clear();
            std::istringstream list(value);
            for (std::string item; std::getline(list, item, ',');) {
                if (ReadNumber(Trim(item), n)) config.probes.push_back(uint32_t(n));
                else Warn("bad probe serial number: " + item);
            }
        } else if (key == "STATE") {
            config.state = value;
        } else if (key == "RTT_ADDR") {
            if (ReadNumber(value, n)) config.rttAddress = uint32_t(n);
            else Warn("bad RTT_ADDR: " + value);
        } else if (key == "DOWNLOAD_FAILS") {
            if (ReadNumber(value, n)) config.downloadFails = int(n);
            else Warn("bad DOWNLOAD_FAILS: " + value);
        } else if (key == "NO_TARGET") {
            config.noTarget = value == "1";
        } else if (key == "NO_RTT") {
            config.noRtt = value == "1";
        } else if (key == "OPTIONS") {
            ApplyOptions(value, config);
        } else if (key == "CALL_COUNTS") {
            config.callCounts = value;
        } else {
            Warn("unknown key " + key);
        }
    }
    return config;
}

std::string StateFileFor(const ProbeConfig& config, uint32_t serial) {
    if (config.state.empty()) return {};
    struct stat st {};
    if (stat(config.state.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return platform::JoinPath(config.state, std::to_string(serial) + ".state");
    return config.state;
}

}  // namespace devsim::jlink
