#include <gtest/gtest.h>

#include <fstream>

#include "common/otp_record_file.h"
#include "pirrow/jobs.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"

namespace {

using common::OtpRecord;
using testing_support::CaptureStdout;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

struct FactoryRecords : ::testing::Test {
    ScriptedSession f;
    std::vector<std::string> commands;
    std::string answer = "OTP_FACTORY_WRITE_PASS\r\n";
    std::string path = "/tmp/BLE_SN_test" + std::to_string(getpid()) + ".bin";

    void SetUp() override {
        f.onWrite = [this](ScriptedLink& l, const std::string& c) {
            commands.push_back(c);
            l.Reply(answer, 100);
        };
        ASSERT_TRUE(f.session.link.Open("ttyTEST", 1000000));
    }
    void TearDown() override { std::remove(path.c_str()); }
    void WriteFile(const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
};

TEST_F(FactoryRecords, EachFormBecomesItsCommand) {
    WriteFile(common::EncodeOtpRecords({{1, {1, 2, 3, 4, 5, 6}},
                                        {2, Bytes("SN0001")},
                                        {9, {1, 2, 3}},
                                        {15, {0x78, 0x56, 0x34, 0x12}}}));
    CaptureStdout out;
    EXPECT_TRUE(pirrow::WrFactoryOtpAll(f.session, path));
    EXPECT_EQ(out.Finish(), "percent:100 \n");
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0], "otp_factory_write 1 060504030201\r\n");
    EXPECT_EQ(commands[1], "otp_factory_write 2 \"SN0001\"\r\n");
    EXPECT_EQ(commands[2], "otp_factory_write 15 0x12345678\r\n");
    std::string log = f.Log();
    EXPECT_NE(log.find("otpwrite: otp_factory_write 1 060504030201\r\n"), std::string::npos);
    EXPECT_NE(log.find("id 9 len 3 not support\n"), std::string::npos);
    EXPECT_NE(log.find("WrFactoryOtpAll success \n"), std::string::npos);
}

TEST_F(FactoryRecords, LengthErrorsStopBeforeAnythingWrongIsWritten) {
    WriteFile(common::EncodeOtpRecords({{8, Bytes(std::string(251, 'n'))}, {1, {1, 2, 3, 4, 5, 6}}}));
    EXPECT_FALSE(pirrow::WrFactoryOtpAll(f.session, path));
    EXPECT_TRUE(commands.empty());
    EXPECT_NE(f.Log().find("id 8 len 251 error\n"), std::string::npos);

    WriteFile(common::EncodeOtpRecords({{1, {1, 2, 3, 4, 5}}}));
    EXPECT_FALSE(pirrow::WrFactoryOtpAll(f.session, path));
    EXPECT_NE(f.Log().find("id 1 len 5 error\n"), std::string::npos);
}

TEST_F(FactoryRecords, RecordCutOffByTheEndOfTheFileIsNotWritten) {
    WriteFile({1, 6, 0xAA, 0xBB});
    EXPECT_FALSE(pirrow::WrFactoryOtpAll(f.session, path));
    EXPECT_TRUE(commands.empty());
}

TEST_F(FactoryRecords, FileWithoutEndRecordEndsWithTheFile) {
    WriteFile({2, 2, 'A', 'B'});
    EXPECT_TRUE(pirrow::WrFactoryOtpAll(f.session, path));
    EXPECT_EQ(commands.size(), 1u);
}

TEST_F(FactoryRecords, DeviceRefusalFailsAtOnceAndMissingFilePasses) {
    answer = "OTP_FACTORY_WRITE_FAIL\r\n";
    WriteFile(common::EncodeOtpRecords({{2, Bytes("A")}, {8, Bytes("B")}}));
    EXPECT_FALSE(pirrow::WrFactoryOtpAll(f.session, path));
    EXPECT_EQ(commands.size(), 1u);
    CaptureStdout out;
    EXPECT_TRUE(pirrow::WrFactoryOtpAll(f.session, "/nonexistent/BLE_SN_1.bin"));
    EXPECT_EQ(out.Finish(), "percent:100 \n");
}

}  // namespace
