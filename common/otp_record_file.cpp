#include "common/otp_record_file.h"

#include <cstdio>

namespace common {

OtpRecordKind OtpKindOf(uint8_t id) {
    switch (id) {
        case 1:
            return OtpRecordKind::Mac;
        case 2: case 8: case 11: case 12: case 13: case 14: case 17: case 24:
            return OtpRecordKind::Text;
        case 15: case 16: case 22:
            return OtpRecordKind::Number;
        case kOtpEndId:
            return OtpRecordKind::End;
        default:
            return OtpRecordKind::Unsupported;
    }
}

bool ReadOtpRecord(const uint8_t* data, size_t size, size_t& offset, OtpRecord& record, bool& truncated) {
    truncated = false;
    record = {};
    if (offset >= size) return false;
    record.id = data[offset++];
    if (record.id == kOtpEndId) return true;
    if (offset >= size) {
        truncated = true;
        return true;
    }
    size_t length = data[offset++];
    size_t available = size - offset;
    if (length > available) {
        truncated = true;
        length = available;
    }
    record.value.assign(data + offset, data + offset + length);
    offset += length;
    return true;
}

OtpCommandResult OtpWriteCommand(const OtpRecord& record, std::string& command) {
    command.clear();
    const auto& v = record.value;
    char buf[64];
    switch (OtpKindOf(record.id)) {
        case OtpRecordKind::End:
            return OtpCommandResult::End;
        case OtpRecordKind::Unsupported:
            return OtpCommandResult::Skip;
        case OtpRecordKind::Mac:
            if (v.size() != 6) return OtpCommandResult::LengthError;
            std::snprintf(buf, sizeof buf, "otp_factory_write %d %02x%02x%02x%02x%02x%02x\r\n", record.id, v[5], v[4],
                          v[3], v[2], v[1], v[0]);
            command = buf;
            return OtpCommandResult::Command;
        case OtpRecordKind::Number:
            if (v.size() != 4) return OtpCommandResult::LengthError;
            std::snprintf(buf, sizeof buf, "otp_factory_write %d 0x%x\r\n", record.id,
                          unsigned(v[0] | v[1] << 8 | v[2] << 16 | unsigned(v[3]) << 24));
            command = buf;
            return OtpCommandResult::Command;
        case OtpRecordKind::Text:
            if (v.size() > kOtpMaxTextLength) return OtpCommandResult::LengthError;
            command = "otp_factory_write " + std::to_string(record.id) + " \"";
            command.append(v.begin(), v.end());
            command += "\"\r\n";
            return OtpCommandResult::Command;
    }
    return OtpCommandResult::Skip;
}

bool NextOtpCommand(const std::vector<uint8_t>& file, size_t& offset, OtpFileStep& step) {
    bool truncated = false;
    if (!ReadOtpRecord(file.data(), file.size(), offset, step.record, truncated)) return false;
    step.kind = OtpWriteCommand(step.record, step.command);
    if (truncated && step.kind != OtpCommandResult::End) step.kind = OtpCommandResult::LengthError;
    return true;
}

std::vector<uint8_t> EncodeOtpRecords(const std::vector<OtpRecord>& records, size_t padTo) {
    std::vector<uint8_t> out;
    for (const auto& r : records) {
        out.push_back(r.id);
        out.push_back(uint8_t(r.value.size()));
        out.insert(out.end(), r.value.begin(), r.value.end());
    }
    out.push_back(kOtpEndId);
    if (out.size() < padTo) out.resize(padTo, 0xFF);
    return out;
}

}  // namespace common
