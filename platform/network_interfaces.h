#pragma once
#include <string>
#include <vector>

namespace platform {

struct NetworkInterface {
    std::string name;
    int index = 0;              // the kernel's interface index
    std::string address;        // hardware address as the kernel shows it ("aa:bb:...")
    bool onPciBus = false;      // its device sits on a PCI bus
};

// The network interfaces in the order of their index, read from `sysClassNet`
// (the kernel's /sys/class/net; tests point it at a tree of their own).
std::vector<NetworkInterface> ListNetworkInterfaces(const std::string& sysClassNet = "/sys/class/net");

}  // namespace platform
