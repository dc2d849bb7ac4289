#include "station/engine/alloc/station_identifier.h"

#include <cstdio>

#include "platform/network_interfaces.h"
#include "platform/random.h"

namespace station {
namespace {

// "aa:bb:cc:dd:ee:ff" → "AABBCCDDEEFF"; "" unless it is 6 bytes.
std::string HardwareAddressDigits(const std::string& address) {
    unsigned b[6];
    char tail;
    if (std::sscanf(address.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &tail) != 6)
        return "";
    char text[16];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
    return text;
}

}  // namespace

std::string MakeStationIdentifier(const std::string& sysClassNet) {
    for (const auto& nic : platform::ListNetworkInterfaces(sysClassNet)) {
        if (!nic.onPciBus) continue;
        const std::string digits = HardwareAddressDigits(nic.address);
        if (!digits.empty()) return digits;
    }
    char text[16];
    std::snprintf(text, sizeof text, "2BXX%08X", platform::RandomU32());
    return text;
}

}  // namespace station
