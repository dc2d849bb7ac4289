#pragma once
// The device record: one JSON object per job that reached a device (PASS or
// FAIL), kept in "record/devices(YYYY_MM_DD).jsonl" and handed to the MES.
// It says which numbers and images went to which device, when, with what
// verdict, and why a failure failed.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/local_time.h"

namespace station {

struct RecordedStep {
    std::string step;        // "download", "crystal_cali", ...
    std::string tool;        // "Pirrow" or "Quenlo"
    int32_t exitStatus = 0;  // the tool's 32-bit status
};

struct RecordedImage {
    std::string file;
    uint32_t address = 0;
    uint32_t length = 0;  // bytes written to flash (unpacked)
    uint32_t crc = 0;     // ImageCrc of those bytes
};

struct DeviceRecord {
    std::string id;
    std::string station;
    int channel = 0;
    std::string port;
    int function = 0;
    std::string device;
    platform::LocalTime start, end;
    std::string verdict;  // "PASS" or "FAIL"
    std::string cause;
    std::string mac, sn, bleName, btName;
    std::vector<RecordedStep> steps;
    std::vector<RecordedImage> images;
};

// "2026-12-09T14:03:55.123+01:00".
std::string IsoTime(const platform::LocalTime& t);

// Unique and stable: the station identifier, the channel, the job start to
// the millisecond and the channel's sequence number, e.g.
// "0A1B2C3D4E5F-03-20261209T140355123-7". Safe as a file name.
std::string DeviceRecordId(const std::string& station, int channel, const platform::LocalTime& start,
                           uint64_t sequence);

// The record as one line of JSON (no newline).
std::string DeviceRecordJson(const DeviceRecord& record);

// "<root>/record/devices(%04d_%02d_%02d).jsonl" of the day.
std::string DeviceRecordsPath(const std::string& root, const platform::LocalTime& day);

}  // namespace station
