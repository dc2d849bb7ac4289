#pragma once
// The device state file: what a virtual device holds across devsim runs
// (flash contents and OTP records), and what tests read back after a job.
//
// Format (little-endian): "DVSMST01"; u32 length + device type name;
// u32 chunk count, then per chunk u32 address + 65536 bytes (only chunks
// holding something other than 0xFF); u32 record count, then per record
// u8 id, u8 form (1 MAC, 2 text, 3 number), u16 length, the value bytes
// (OtpValue::bytes); last a u32 ImageCrc of everything before it.
#include <string>

#include "devsim/model/device.h"

namespace devsim {

struct StateFile {
    std::string deviceType;
    DeviceState state;  // flash laid out for deviceType
};

// Writes the file atomically (temporary file in the same directory, flush,
// fsync, rename): a reader sees the old file or the new one, never half.
bool SaveStateFile(const std::string& path, const std::string& deviceType, const DeviceState& state,
                   std::string* error = nullptr);
bool SaveStateFile(const std::string& path, const Device& device, std::string* error = nullptr);

// Reads a state file; false (with the reason) when it is missing or broken.
bool ReadStateFile(const std::string& path, StateFile& out, std::string* error = nullptr);

// Puts a state file's flash and OTP records into a device (replacing what
// it holds). Flash outside the device's layout fails the load.
bool LoadStateFile(const std::string& path, Device& device, std::string* error = nullptr);

}  // namespace devsim
