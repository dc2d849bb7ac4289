#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace common {

// Factory-data record file: records of id, length and value, ended by id 0xFF.
constexpr uint8_t kOtpEndId = 0xFF;
constexpr uint8_t FACTORY_CFG_ID_MAC = 1;
constexpr uint8_t FACTORY_CFG_ID_SN = 2;
constexpr uint8_t FACTORY_CFG_ID_BLE_NAME = 8;
constexpr uint8_t FACTORY_CFG_ID_ALIPAY_PK = 11;
constexpr uint8_t FACTORY_CFG_ID_ALIPAY_DN = 12;
constexpr uint8_t FACTORY_CFG_ID_ALIPAY_DS = 13;
constexpr uint8_t FACTORY_CFG_ID_BT_NAME = 14;
constexpr size_t kOtpFilePadSize = 2048;
constexpr size_t kOtpMaxTextLength = 250;
constexpr size_t kOtpCommandBufferSize = 256;

struct OtpRecord {
    uint8_t id = 0;
    std::vector<uint8_t> value;
};

enum class OtpRecordKind { Mac, Text, Number, End, Unsupported };
OtpRecordKind OtpKindOf(uint8_t id);

// Reads the record at `offset`. Returns false when the data ends there (the
// end of the file counts as the end record). A record whose length runs past
// the end is returned with `truncated` set and only the bytes present.
bool ReadOtpRecord(const uint8_t* data, size_t size, size_t& offset, OtpRecord& record, bool& truncated);

enum class OtpCommandResult { Command, Skip, LengthError, End };

// The "otp_factory_write" line (ending in CR LF) for a record, or why there is none.
OtpCommandResult OtpWriteCommand(const OtpRecord& record, std::string& command);

// One step of a walk through a record file: the record, what it gives and
// its command.
struct OtpFileStep {
    OtpRecord record;
    OtpCommandResult kind = OtpCommandResult::End;
    std::string command;
};

// Reads the record at `offset` and builds its command. A record cut off by
// the end of the file is a LengthError: half a value must never reach the
// one-time-programmable area. False at the end of the data, which counts as
// the end record.
bool NextOtpCommand(const std::vector<uint8_t>& file, size_t& offset, OtpFileStep& step);

// Writes records, the end record, and pads with 0xFF to `padTo` bytes
// (when the records are shorter).
std::vector<uint8_t> EncodeOtpRecords(const std::vector<OtpRecord>& records, size_t padTo = kOtpFilePadSize);

}  // namespace common
