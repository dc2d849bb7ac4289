#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/otp_record_file.h"

namespace {

using common::OtpCommandResult;
using common::OtpRecord;

std::string Command(uint8_t id, const std::vector<uint8_t>& value, OtpCommandResult expected) {
    std::string command;
    EXPECT_EQ(common::OtpWriteCommand(OtpRecord{id, value}, command), expected) << int(id);
    return command;
}

TEST(OtpRecordFile, CommandsByRecordKind) {
    EXPECT_EQ(Command(1, {1, 2, 3, 4, 5, 6}, OtpCommandResult::Command), "otp_factory_write 1 060504030201\r\n");
    EXPECT_EQ(Command(15, {0x78, 0x56, 0x34, 0x12}, OtpCommandResult::Command), "otp_factory_write 15 0x12345678\r\n");
    EXPECT_EQ(Command(2, {'S', 'N', '"', '1'}, OtpCommandResult::Command), "otp_factory_write 2 \"SN\"1\"\r\n");
    std::vector<uint8_t> text250(250, 'k');
    EXPECT_EQ(Command(11, text250, OtpCommandResult::Command),
              "otp_factory_write 11 \"" + std::string(250, 'k') + "\"\r\n");
    Command(9, {1, 2, 3}, OtpCommandResult::Skip);
    Command(0xFF, {}, OtpCommandResult::End);
    Command(1, {1, 2, 3, 4, 5}, OtpCommandResult::LengthError);
    Command(22, {1, 2, 3}, OtpCommandResult::LengthError);
    Command(13, std::vector<uint8_t>(251, 'k'), OtpCommandResult::LengthError);
}

TEST(OtpRecordFile, EveryRecordIdHasItsKind) {
    using common::OtpKindOf;
    using common::OtpRecordKind;
    EXPECT_EQ(OtpKindOf(1), OtpRecordKind::Mac);
    for (uint8_t id : {2, 8, 11, 12, 13, 14, 17, 24}) EXPECT_EQ(OtpKindOf(id), OtpRecordKind::Text) << int(id);
    for (uint8_t id : {15, 16, 22}) EXPECT_EQ(OtpKindOf(id), OtpRecordKind::Number) << int(id);
    EXPECT_EQ(OtpKindOf(0xFF), OtpRecordKind::End);
    for (uint8_t id : {0, 3, 9, 10, 18, 23, 25, 0xFE}) EXPECT_EQ(OtpKindOf(id), OtpRecordKind::Unsupported) << int(id);
}

TEST(OtpRecordFile, ReadsBackWhatItEncodes) {
    std::vector<OtpRecord> records = {{1, {1, 2, 3, 4, 5, 6}}, {9, {7, 8, 9}}, {8, {'b', 'l', 'e'}}};
    std::vector<uint8_t> file = common::EncodeOtpRecords(records);
    ASSERT_EQ(file.size(), common::kOtpFilePadSize);
    size_t offset = 0;
    OtpRecord record;
    bool truncated;
    for (const auto& expected : records) {
        ASSERT_TRUE(common::ReadOtpRecord(file.data(), file.size(), offset, record, truncated));
        EXPECT_FALSE(truncated);
        EXPECT_EQ(record.id, expected.id);
        EXPECT_EQ(record.value, expected.value);
    }
    ASSERT_TRUE(common::ReadOtpRecord(file.data(), file.size(), offset, record, truncated));
    EXPECT_EQ(record.id, common::kOtpEndId);
}

TEST(OtpRecordFile, EndOfDataWithoutEndRecordAndTruncatedRecords) {
    const std::vector<uint8_t> file = {2, 3, 'a', 'b', 'c', 8, 5, 'x', 'y'};
    size_t offset = 0;
    OtpRecord record;
    bool truncated;
    ASSERT_TRUE(common::ReadOtpRecord(file.data(), file.size(), offset, record, truncated));
    EXPECT_FALSE(truncated);
    ASSERT_TRUE(common::ReadOtpRecord(file.data(), file.size(), offset, record, truncated));
    EXPECT_TRUE(truncated);
    EXPECT_EQ(record.value, (std::vector<uint8_t>{'x', 'y'}));
    EXPECT_EQ(offset, file.size());
    EXPECT_FALSE(common::ReadOtpRecord(file.data(), file.size(), offset, record, truncated));  // as the end record

    const std::vector<uint8_t> idOnly = {1};
    offset = 0;
    ASSERT_TRUE(common::ReadOtpRecord(idOnly.data(), idOnly.size(), offset, record, truncated));
    EXPECT_TRUE(truncated);
}

}  // namespace
