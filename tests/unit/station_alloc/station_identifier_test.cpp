#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "station/engine/alloc/station_identifier.h"
#include "unit/common/test_files.h"

namespace {

namespace fs = std::filesystem;

// A /sys tree: class/net/<name> links into devices/<devicePath>/net/<name>,
// whose "device" link points at devices/<devicePath>.
void AddInterface(const common_test::TempDir& sys, const std::string& name, int index, const std::string& address,
                  const std::string& devicePath) {
    const fs::path device = fs::path(sys.path()) / "devices" / devicePath;
    const fs::path dir = device / "net" / name;
    fs::create_directories(dir);
    std::ofstream(dir / "ifindex") << index << "\n";
    std::ofstream(dir / "address") << address << "\n";
    fs::create_directory_symlink(device, dir / "device");
    fs::create_directories(fs::path(sys.path()) / "class/net");
    fs::create_directory_symlink(dir, fs::path(sys.path()) / "class/net" / name);
}

TEST(StationIdentifier, FirstInterfaceOnAPciBusElseRandom) {
    common_test::TempDir sys;
    const std::string net = sys.Path("class/net");
    AddInterface(sys, "usb0", 2, "02:00:00:00:00:02", "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0");
    AddInterface(sys, "dummy0", 1, "02:00:00:00:00:01", "virtual");
    EXPECT_TRUE(std::regex_match(station::MakeStationIdentifier(net), std::regex("2BXX[0-9A-F]{8}")));
    EXPECT_NE(station::MakeStationIdentifier(net), station::MakeStationIdentifier(net));

    AddInterface(sys, "enp5s0", 9, "a0:b1:c2:d3:e4:f5", "pci0000:00/0000:00:1c.0/0000:05:00.0");
    AddInterface(sys, "eth0", 4, "00:16:3e:0a:0b:0c", "pci0000:00/0000:00:03.0/virtio2");
    EXPECT_EQ(station::MakeStationIdentifier(net), "00163E0A0B0C");  // lowest index first
}

}  // namespace
