#pragma once
// What the station says to a device's boot loader over UART, byte for byte:
// the banners the loader prints when it starts, and the framed requests and
// replies of the QM2A handshake and reset. "QMXF" is the chip-family code the
// boot loader expects.
#include <string_view>

namespace station {

using namespace std::string_view_literals;

inline constexpr std::string_view kBannerQm2a = "NVBL";   // QM2A devices
inline constexpr std::string_view kBannerOther = "Norva";  // every other device

// Hold in the boot loader (H1), leave it (H2), restart (R0), enter boot mode (R3).
inline constexpr std::string_view kRequestH1 = "\x7E\x79\x08\x00\x10\x00\x41\x54QMXF\x05\x21"sv;
inline constexpr std::string_view kRequestH2 = "\x7E\x79\x08\x00\x10\x00\x41\x54QMXF\x18\x21"sv;
inline constexpr std::string_view kRequestR0 =
    "\x7E\x79\x0C\x00\x10\x00\x40\x77\x00\x72\xA5\xFF\x01\x00\x01\x00\x00\x00"sv;
inline constexpr std::string_view kRequestR3 =
    "\x7E\x79\x0C\x00\x10\x00\x40\x77\x03\x72\xA5\xFF\x01\x00\x01\x00\x00\x00"sv;
inline constexpr std::string_view kReplyA1 = "\x7E\x79\x02\x00\x10\x00\xD1\x06"sv;
inline constexpr std::string_view kReplyA2 = "\x7E\x79\x02\x00\x10\x00\xD3\x06"sv;
inline constexpr std::string_view kReplyA3 = "\x7E\x79\x02\x00\x10\x00\xD0\x06"sv;

}  // namespace station
