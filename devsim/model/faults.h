#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace devsim {

// Faults a test can inject into a device.
struct FaultOptions {
    // A loader command (its first word, e.g. "burn_verify") that answers "Fail\r\n".
    std::string failCommand;
    // A loader command (first word) that is taken and never answered.
    std::string silentCommand;
    // Every reply of the boot ROM and the loader is preceded by kGarbageBytes.
    bool garbage = false;
    // After this many image bytes received by the loader the device stops
    // answering for good and the transport closes the line (-1: never).
    int64_t disconnectAfterImageBytes = -1;
    // The loader takes calibration commands without echoing "argv[1]".
    bool noArgvEcho = false;
    // Calibration outcomes and how long they take.
    bool crystalPass = true;
    uint32_t crystalDelayMs = 1000;
    bool batteryPass = true;
    uint32_t batteryDelayMs = 1000;
    // How long "otp_factory_write" and "otp_factory_read" take before their answer.
    uint32_t recordDelayMs = 0;
    // Erase and program take the time of a real flash (flash_timing.h).
    bool flashTiming = false;
    // A weak flash cell: the byte programmed at this address keeps its
    // lowest cleared bit set, so it reads back wrong.
    std::optional<uint32_t> corruptFlashAddress;
    // The CRC line after "burn_read" data is off by one bit.
    bool badReadCrc = false;
    // The boot ROM's banner leaves in two pieces kBannerSplitMs apart.
    bool bannerSplit = false;
    // The first handshake frame after a power-on or restart is answered by
    // the banner once more (the chip restarted again) instead of its reply.
    bool bannerRepeat = false;
    // The boot ROM's handshake (its debug port) answers nothing.
    bool bootSilent = false;
};

// Faults only the boot ROM's debug port has.
struct DebugPortFaults {
    // Every reply leaves in two pieces, the second a few milliseconds later.
    bool splitReplies = false;
    // Replies numbered dropFirst..dropLast (counted from 1 over the port's
    // life) are never sent; 0 drops none.
    int dropFirst = 0;
    int dropLast = 0;
};

// Gap between the two pieces of a split banner: longer than the station's
// 20 ms poll, so the pieces arrive in different reads.
constexpr uint32_t kBannerSplitMs = 60;

// Line noise: holds none of the tokens the tools look for ("OK", "Fail",
// "RX_WAIT", "argv[1]", "PASS", "start_trans" ...).
inline const std::string kGarbageBytes("\x00\xFF\x13~#noise#\xA5\r\n", 14);

}  // namespace devsim
