#pragma once
// The station identifier that tags the factory database rows ("%s_%d" with
// the channel): the hardware address of the first network interface whose
// device sits on a PCI bus, as 12 upper-case hexadecimal digits; without one,
// "2BXX" and 8 hexadecimal digits of a random number.
#include <string>

namespace station {

std::string MakeStationIdentifier(const std::string& sysClassNet = "/sys/class/net");

}  // namespace station
