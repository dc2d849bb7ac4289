#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A serial device on a USB or PCI bus, as the system lists it.
struct SerialPortInfo {
    std::string name;         // kernel name, "ttyUSB0"; the tools find it under /dev
    std::string devNode;      // "/dev/ttyUSB0"
    bool usb = false;
    uint16_t vendorId = 0;    // USB only
    uint16_t productId = 0;   // USB only
    std::string serial;       // USB serial number text, may be empty
    std::string idPath;       // udev ID_PATH, such as "pci-0000:00:14.0-usb-0:2:1.0"
    std::string model;        // product text of the device
};

// The serial devices with a USB or PCI parent, in the system's order;
// nullopt when the list cannot be had at all.
std::optional<std::vector<SerialPortInfo>> ListSerialPorts();

// The device a path names (links such as /dev/serial/by-id/... followed)
// when it is a character device; nullopt otherwise.
std::optional<std::string> CharacterDevicePath(const std::string& path);

}  // namespace platform
