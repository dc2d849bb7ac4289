// Ports and probes to channels, with each filter.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>

#include "station/engine/scan/jlink_library.h"
#include "station/engine/log/log_paths.h"
#include "station/engine/log/main_log.h"
#include "station/engine/scan/port_scan.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"
#include "unit/common/test_files.h"

namespace station {
namespace {

using platform::SerialPortInfo;

SerialPortInfo Usb(const char* name, uint16_t vid, uint16_t pid, const char* serial, const char* idPath) {
    SerialPortInfo p;
    p.name = name;
    p.devNode = std::string("/dev/") + name;
    p.usb = true;
    p.vendorId = vid;
    p.productId = pid;
    p.serial = serial;
    p.idPath = idPath;
    return p;
}

const std::vector<SerialPortInfo> kPorts = {
    Usb("ttyUSB0", 0x1A86, 0x7523, "", "pci-0000:00:14.0-usb-0:1:1.0"),
    Usb("ttyACM0", 0x1366, 0x1015, "000059602728", "pci-0000:00:14.0-usb-0:2:1.0"),  // a J-Link's own port
    Usb("ttyUSB1", 0x0403, 0x6001, "A50285BI", "pci-0000:00:14.0-usb-0:3:1.0"),
};

ChannelTexts Texts(std::initializer_list<std::pair<int, std::string>> set) {
    ChannelTexts texts;
    for (const auto& [channel, text] : set) texts[size_t(channel - 1)] = text;
    return texts;
}

TEST(PortScan, InOrderFoundAndNeverAJLinkPort) {
    ScanResult r = AssignSerialPorts(kPorts, 0, {}, {});
    EXPECT_EQ(r.ports[0], "ttyUSB0");
    EXPECT_EQ(r.ports[1], "ttyUSB1");
    EXPECT_EQ(r.ports[2], "null");
    EXPECT_EQ(r.mask, 0x6u);
    EXPECT_EQ(UsbInstanceId(kPorts[2]), "USB\\VID_0403&PID_6001\\A50285BI");
}

TEST(PortScan, ByDescriptor) {
    // Descriptor texts of existing stations, the serial, or a place on the bus.
    ScanResult r = AssignSerialPorts(kPorts, 1, Texts({{2, "nothing like it"}, {3, "vid_0403&pid_6001"},
                                                      {4, "VID_1A86&PID_7523"}, {5, "usb-0:2:1.0"}}),
                                     {});
    EXPECT_EQ(r.ports[2], "ttyUSB1");
    EXPECT_EQ(r.ports[3], "ttyUSB0");
    EXPECT_EQ(r.ports[4], "null");  // the J-Link port matches, and is still never taken
    // Channels without a descriptor take nothing, though they come first.
    EXPECT_EQ(r.mask, (1u << 3) | (1u << 4));
}

TEST(PortScan, ByPortNameOrPath) {
    common_test::TempDir dir;
    const std::string link = dir.Path("usb-FTDI_A50285BI-if00-port0");
    ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);  // a by-id link to a character device
    ScanResult r = AssignSerialPorts(kPorts, 2,
                                     {}, Texts({{1, "ttyS9"}, {2, "TTYUSB1"}, {6, link}, {7, "/dev/null"},
                                                {8, dir.Path("gone")}, {9, "ttyACM0"}}));
    EXPECT_EQ(r.ports[0], "null");  // names no device
    EXPECT_EQ(r.ports[1], "ttyUSB1");
    EXPECT_EQ(r.ports[5], link);    // taken as given, though the list does not show it
    EXPECT_EQ(r.ports[6], "null");  // the same device again
    EXPECT_EQ(r.ports[7], "null");
    EXPECT_EQ(r.ports[8], "null");  // a J-Link port even by name
    EXPECT_EQ(r.mask, (1u << 2) | (1u << 6));
}

TEST(ProbeScan, ProbesToChannels) {
    ScanResult r = AssignProbes({59602728u, 123u}, false, {});
    EXPECT_EQ(r.ports[0], "59602728");
    EXPECT_EQ(r.ports[1], "123");
    EXPECT_EQ(r.mask, 0x6u);
    r = AssignProbes({59602728u, 123u, 7u}, true, Texts({{4, "123"}, {9, "59602728"}, {10, "59602728"}}));
    EXPECT_EQ(r.ports[3], "123");
    EXPECT_EQ(r.ports[8], "59602728");
    EXPECT_EQ(r.mask, (1u << 4) | (1u << 9));
}

TEST(ProbeScan, ListOfALoadedLibrary) {
    JLinkLibrary library;
    EXPECT_FALSE(library.HasProbeList());
    EXPECT_TRUE(library.UsbProbeSerials().empty());
    setenv("DEVSIM_JLINK_PROBES", "59602728, 123", 1);  // read when the virtual probe first serves
    ASSERT_TRUE(library.LoadFile(VIRTUAL_JLINK_LIBRARY));
    EXPECT_EQ(library.Path(), VIRTUAL_JLINK_LIBRARY);
    EXPECT_EQ(library.UsbProbeSerials(), (std::vector<uint32_t>{59602728u, 123u}));
    EXPECT_FALSE(library.LoadFile("/nonexistent/libjlinkarm.so"));
    EXPECT_TRUE(library.HasProbeList());  // a failed load keeps the library that works
}

// Without the library the scan gives every channel "null" and leaves the
// operator's message to the front end, which shows and logs it once.
TEST(ProbeScan, WithoutTheLibraryOnlyTheMessage) {
    common_test::TempDir root;
    root.Write("Torvane.ini", "[COMMON_SET]\nPORT_TYPE=0\n");
    CreateStationDirectories(root.path());
    InstallMainLog(std::make_shared<MainLog>(root.path(), [] { return platform::LocalTime{}; }));
    ChannelTable channels;
    channels[3].port.Set("123");
    const ScanResult r = ScanPorts(StationSettings(root.path()), channels, JLinkLibrary());
    InstallMainLog(nullptr);
    EXPECT_EQ(r.operatorMessage, kJLinkLibraryErrorMessage);
    EXPECT_EQ(r.mask, 0u);
    EXPECT_EQ(channels[3].port.Get(), kNoPort);
    EXPECT_FALSE(root.Exists("log/log(0000-00-00).txt"));
}

}  // namespace
}  // namespace station
