#pragma once
// The port scan: fills each channel's port field from the serial ports (UART
// interface) or the J-Link probes (J-Link interface) that are present.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/serial_port_list.h"
#include "station/engine/settings/ini_keys.h"

namespace station {

class StationSettings;
class ChannelTable;
class JLinkLibrary;

// J-Link probes offer a virtual serial port of their own; it is never a channel's port.
inline constexpr uint16_t kJLinkVendorId = 0x1366;
inline constexpr const char* kJLinkLibraryErrorMessage = "x 出现非法错误，jlink动态库加载异常!";

// Per channel (index 0 = channel 1).
using ChannelTexts = std::array<std::string, kChannelCount>;

struct ScanResult {
    ChannelTexts ports;  // "null" for a channel without a port
    uint32_t mask = 0;   // bit n: channel n was given a port
    std::string operatorMessage;  // to show the operator, when not empty
};

// The identity the descriptor filter searches: "USB\VID_%04X&PID_%04X\<serial>"
// for USB devices (empty for others).
std::string UsbInstanceId(const platform::SerialPortInfo& port);

// Serial ports to channels. filterFlag 0: in the order found; 1: a channel
// takes a port whose identity holds its descriptor text (`CH%d_DES`, compared
// without regard to case; an empty text takes nothing); 2: a channel takes the port its `CH%d_PORT` names —
// a kernel name such as "ttyUSB0", or a device path (a /dev/serial/by-id link,
// a pseudo-terminal) that is taken as given when it exists.
ScanResult AssignSerialPorts(const std::vector<platform::SerialPortInfo>& ports, int filterFlag,
                             const ChannelTexts& descriptors, const ChannelTexts& portNames);

// Probes to channels: with filterBySerial each probe goes only to the channel
// whose `CH%d_SN` is its serial number.
ScanResult AssignProbes(const std::vector<uint32_t>& serials, bool filterBySerial, const ChannelTexts& serialFields);

// The whole scan for the configured interface: sets every channel's port
// field and logs the mask.
ScanResult ScanPorts(const StationSettings& settings, ChannelTable& channels, const JLinkLibrary& jlink);

}  // namespace station
