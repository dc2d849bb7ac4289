#include "platform/network_interfaces.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace platform {
namespace {

std::string FirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The device's place in the device tree lies under a PCI host bridge
// ("pci0000:00") and not behind a USB controller: a PCI card or a virtual PCI
// NIC qualifies, a USB adapter (whose path also starts at a PCI bridge) does not.
bool SitsOnPci(const std::filesystem::path& deviceLink) {
    std::error_code ec;
    const std::filesystem::path device = std::filesystem::canonical(deviceLink, ec);
    if (ec) return false;
    bool pci = false;
    for (const auto& part : device) {
        const std::string name = part.string();
        if (name.rfind("usb", 0) == 0) return false;
        if (name.rfind("pci", 0) == 0) pci = true;
    }
    return pci;
}

}  // namespace

std::vector<NetworkInterface> ListNetworkInterfaces(const std::string& sysClassNet) {
    namespace fs = std::filesystem;
    std::vector<NetworkInterface> list;
    std::error_code ec;
    for (fs::directory_iterator it(sysClassNet, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path dir = it->path();
        NetworkInterface nic;
        nic.name = dir.filename().string();
        nic.index = std::atoi(FirstLine(dir / "ifindex").c_str());
        nic.address = FirstLine(dir / "address");
        nic.onPciBus = SitsOnPci(dir / "device");
        list.push_back(nic);
    }
    std::sort(list.begin(), list.end(), [](const NetworkInterface& a, const NetworkInterface& b) {
        return a.index != b.index ? a.index < b.index : a.name < b.name;
    });
    return list;
}

}  // namespace platform
