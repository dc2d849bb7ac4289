#pragma once
// The station's own talk with a device's boot loader over UART, before any
// tool runs: waiting for a freshly connected device to announce its boot
// loader (power-on monitoring), holding a QM2A device there with a short
// handshake, and resetting a QM2A device into boot mode before calibration.
// The port is opened only for this and closed again, so the tool can have it.
#include <string>

#include "platform/byte_link.h"
#include "platform/clock.h"
#include "station/engine/boot/boot_wait.h"

namespace station {

// The rate of the station's own boot-loader talk.
inline constexpr int kBootBaud = 1000000;

// QM2A handshake H1/R0/H2 on an open link; starts over whenever a reply
// still holds the banner (the device was restarting). True when the device
// answered A1, A2 and A3; false on a wrong or missing reply (kept in
// `failedReply` when given), or on stop.
bool HoldInBootLoader(platform::ByteLink& link, platform::Clock& clock, const StopCheck& stop,
                      std::string* failedReply = nullptr);

// Monitoring on an open link: QM2A devices are waited for ("NVBL") and held
// until a handshake succeeds; others are waited for once ("Norva"). False
// only when stopped.
bool AwaitBootLoader(platform::ByteLink& link, platform::Clock& clock, const std::string& device,
                     const StopCheck& stop);

// Reset into boot mode on an open link: H1 (A1), R0 (the device restarts and
// prints "NVBL"), H1 (A1), R3.
bool ResetToBootLoader(platform::ByteLink& link, platform::Clock& clock);

// The same on the channel's port, opened exclusively at 1000000 baud, 8N1,
// no flow control, DTR and RTS off; with their main-log lines.
bool EnterBootMode(int channel, const std::string& port, const std::string& device, const StopCheck& stop);
bool ResetIntoBootMode(int channel, const std::string& port);

}  // namespace station
