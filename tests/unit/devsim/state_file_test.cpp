#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <unistd.h>

#include "devsim/model/state_file.h"
#include "tests/unit/devsim/device_harness.h"

using devsim_test::Harness;

namespace {

std::string TempPath(const char* name) {
    return ::testing::TempDir() + "devsim_" + std::to_string(getpid()) + "_" + name;
}

}  // namespace

TEST(DevsimStateFile, RoundTrip) {
    const std::string path = TempPath("round.state");
    Harness h("QM2C_NAND");
    const std::vector<uint8_t> a = {1, 2, 3, 4}, b(70000, 0x5A);
    h.device.Flash().Program(0x1c008000, a.data(), uint32_t(a.size()));
    h.device.Flash().Program(0x64FFFFF0 - 0x10000, b.data(), uint32_t(b.size()));
    h.Send("otp_factory_write 1 aabbccddeeff\r\n");
    h.Send("otp_factory_write 2 \"SN 1\"\r\n");
    h.Send("otp_factory_write 16 0x10\r\n");
    std::string error;
    ASSERT_TRUE(devsim::SaveStateFile(path, h.device, &error)) << error;

    devsim::StateFile file;
    ASSERT_TRUE(devsim::ReadStateFile(path, file, &error)) << error;
    EXPECT_EQ(file.deviceType, "QM2C_NAND");
    std::vector<uint8_t> back;
    ASSERT_TRUE(file.state.flash.Read(0x1c008000, 4, back));
    EXPECT_EQ(back, a);
    ASSERT_TRUE(file.state.flash.Read(0x64FFFFF0 - 0x10000, uint32_t(b.size()), back));
    EXPECT_EQ(back, b);
    EXPECT_EQ(file.state.otp.Records(), h.device.Otp().Records());

    // A new device of the same type takes the state over.
    Harness other("QM2C_NAND");
    ASSERT_TRUE(devsim::LoadStateFile(path, other.device, &error)) << error;
    ASSERT_TRUE(other.device.Flash().Read(0x1c008000, 4, back));
    EXPECT_EQ(back, a);
    EXPECT_EQ(other.Send("otp_factory_write 1 aabbccddeeff\r\n"), "OTP_FACTORY_WRITE_PASS\r\n");
    EXPECT_EQ(other.Send("otp_factory_write 1 aabbccddee00\r\n"), "OTP_FACTORY_WRITE_FAIL\r\n");
    std::remove(path.c_str());
}

TEST(DevsimStateFile, EmptyDeviceRoundTrip) {
    const std::string path = TempPath("empty.state");
    Harness h("QM2B");
    ASSERT_TRUE(devsim::SaveStateFile(path, h.device));
    devsim::StateFile file;
    ASSERT_TRUE(devsim::ReadStateFile(path, file));
    EXPECT_TRUE(file.state.otp.Records().empty());
    int chunks = 0;
    file.state.flash.ForEachChunk([&](uint32_t, const uint8_t*) { ++chunks; });
    EXPECT_EQ(chunks, 0);
    std::remove(path.c_str());
}

TEST(DevsimStateFile, BrokenOrMissingFilesAreRefused) {
    devsim::StateFile file;
    std::string error;
    EXPECT_FALSE(devsim::ReadStateFile(TempPath("missing.state"), file, &error));
    const std::string path = TempPath("broken.state");
    Harness h("QM2B");
    h.Send("otp_factory_write 2 \"x\"\r\n");
    ASSERT_TRUE(devsim::SaveStateFile(path, h.device));
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(14);
        f.put('\x7F');
    }
    EXPECT_FALSE(devsim::ReadStateFile(path, file, &error));
    EXPECT_NE(error.find("CRC"), std::string::npos) << error;
    std::remove(path.c_str());
}

TEST(DevsimStateFile, FlashOfAnotherLayoutDoesNotLoad) {
    const std::string path = TempPath("layout.state");
    Harness h("QM2A");
    const uint8_t v = 0;
    h.device.Flash().Program(0x12000000, &v, 1);
    ASSERT_TRUE(devsim::SaveStateFile(path, h.device));
    Harness b("QM2B");
    std::string error;
    EXPECT_FALSE(devsim::LoadStateFile(path, b.device, &error));
    std::remove(path.c_str());
}
