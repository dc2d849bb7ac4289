#include "station/engine/scan/port_scan.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>

#include "common/text_search.h"
#include "station/engine/log/main_log.h"
#include "station/engine/scan/jlink_library.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"

namespace station {
namespace {

bool Matches(const std::string& descriptor, const platform::SerialPortInfo& port) {
    // An empty descriptor would occur in every identity and let a channel
    // without a descriptor take the device meant for a later channel.
    if (descriptor.empty()) return false;
    return common::ContainsNoCase(UsbInstanceId(port), descriptor) || common::ContainsNoCase(port.idPath, descriptor);
}

class Assignment {
public:
    Assignment() { result_.ports.fill(kNoPort); }
    bool Free(int index) const { return !(result_.mask & (1u << (index + 1))); }
    bool Full() const { return result_.mask == 0x1FFFEu; }
    void Give(int index, const std::string& port) {
        result_.ports[size_t(index)] = port;
        result_.mask |= 1u << (index + 1);
    }
    // The lowest free channel that `accepts`, or -1.
    template <typename Accepts>
    int LowestFree(Accepts accepts) const {
        for (int i = 0; i < kChannelCount; ++i)
            if (Free(i) && accepts(i)) return i;
        return -1;
    }
    ScanResult Take() { return std::move(result_); }

private:
    ScanResult result_;
};

}  // namespace

std::string UsbInstanceId(const platform::SerialPortInfo& port) {
    if (!port.usb) return {};
    char id[32];
    std::snprintf(id, sizeof id, "USB\\VID_%04X&PID_%04X\\", port.vendorId, port.productId);
    return id + port.serial;
}

ScanResult AssignSerialPorts(const std::vector<platform::SerialPortInfo>& ports, int filterFlag,
                             const ChannelTexts& descriptors, const ChannelTexts& portNames) {
    Assignment a;
    std::vector<std::string> givenByPath;  // devices given to a channel through a path field
    // A port-name field that is a path names its device by that path.
    auto fieldDevice = [&](int i) -> std::optional<std::string> {
        if (portNames[size_t(i)].find('/') == std::string::npos) return std::nullopt;
        return platform::CharacterDevicePath(portNames[size_t(i)]);
    };
    for (const auto& port : ports) {
        if (a.Full()) break;
        if (port.usb && port.vendorId == kJLinkVendorId) continue;
        int channel = -1;
        if (filterFlag == 2) {
            channel = a.LowestFree([&](int i) {
                if (strcasecmp(portNames[size_t(i)].c_str(), port.name.c_str()) == 0) return true;
                const auto device = fieldDevice(i);
                return device && device == platform::CharacterDevicePath(port.devNode);
            });
            if (channel >= 0 && portNames[size_t(channel)].find('/') != std::string::npos) {
                a.Give(channel, portNames[size_t(channel)]);
                givenByPath.push_back(*fieldDevice(channel));
                continue;
            }
        } else if (filterFlag == 1) {
            channel = a.LowestFree([&](int i) { return Matches(descriptors[size_t(i)], port); });
        } else {
            channel = a.LowestFree([](int) { return true; });
        }
        if (channel >= 0) a.Give(channel, port.name);
    }
    // Devices the list does not show (virtual devices on pseudo-terminals)
    // are taken by path when they exist.
    if (filterFlag == 2)
        for (int i = 0; i < kChannelCount; ++i) {
            const auto device = a.Free(i) ? fieldDevice(i) : std::nullopt;
            if (!device) continue;
            const bool listed = std::any_of(ports.begin(), ports.end(), [&](const platform::SerialPortInfo& p) {
                return platform::CharacterDevicePath(p.devNode) == device;
            });
            // A listed device went to its channel above; a second field naming it gets nothing.
            if (listed || std::count(givenByPath.begin(), givenByPath.end(), *device)) continue;
            a.Give(i, portNames[size_t(i)]);
            givenByPath.push_back(*device);
        }
    return a.Take();
}

ScanResult AssignProbes(const std::vector<uint32_t>& serials, bool filterBySerial, const ChannelTexts& serialFields) {
    Assignment a;
    for (uint32_t serial : serials) {
        if (a.Full()) break;
        const std::string text = std::to_string(serial);
        const int channel = a.LowestFree([&](int i) { return !filterBySerial || serialFields[size_t(i)] == text; });
        if (channel >= 0) a.Give(channel, text);
    }
    return a.Take();
}

ScanResult ScanPorts(const StationSettings& settings, ChannelTable& channels, const JLinkLibrary& jlink) {
    ChannelTexts fieldsA, fieldsB;
    ScanResult result;
    if (settings.IsUart()) {
        const int flag = settings.Read(UART_FILTER::FILTER_FLAG);
        for (int ch = 1; ch <= kChannelCount; ++ch) {
            fieldsA[size_t(ch - 1)] = settings.Read(UART_FILTER::CH_DES(ch));
            fieldsB[size_t(ch - 1)] = settings.Read(UART_FILTER::CH_PORT(ch));
        }
        const auto ports = platform::ListSerialPorts();
        result = AssignSerialPorts(ports ? *ports : std::vector<platform::SerialPortInfo>{}, flag, fieldsA, fieldsB);
        Log(0, "GetUsbserialPortName:0x%x\n", result.mask);
    } else if (!jlink.HasProbeList()) {
        result = AssignProbes({}, false, fieldsA);
        // Shown (and so logged) by the front end, once.
        result.operatorMessage = kJLinkLibraryErrorMessage;
    } else {
        const bool filter = settings.Read(SWD_FILTER::FILTER_FLAG) == 1;
        for (int ch = 1; ch <= kChannelCount; ++ch) fieldsA[size_t(ch - 1)] = settings.Read(SWD_FILTER::CH_SN(ch));
        result = AssignProbes(jlink.UsbProbeSerials(), filter, fieldsA);
        Log(0, "GetJlinkPortName:0x%x\n", result.mask);
    }
    for (int ch = 1; ch <= kChannelCount; ++ch) channels[ch].port.Set(result.ports[size_t(ch - 1)]);
    return result;
}

}  // namespace station
