// Starts the devsim program, talks to its RAM loader through the
// pseudo-terminal as a tool would, and reads back the state it saved.
#include <gtest/gtest.h>

#include <string>

#include "platform/clock.h"
#include "platform/serial_port.h"
#include "tests/support/devsim_process.h"

namespace {

// Reads until `token` arrived or timeoutMs passed.
std::string ReadUntil(platform::SerialPort& port, const std::string& token, int timeoutMs) {
    platform::Clock& clock = platform::SystemClock();
    std::string text;
    for (int waited = 0; waited < timeoutMs && text.find(token) == std::string::npos; waited += 10) {
        clock.SleepMs(10);
        uint8_t buf[4096];
        const size_t n = port.Read(buf, sizeof buf);
        text.append(reinterpret_cast<const char*>(buf), n);
    }
    return text;
}

}  // namespace

TEST(DevsimSmoke, LoaderAnswersOverThePseudoTerminal) {
    testing_support::DevsimProcess dev;
    ASSERT_TRUE(dev.Start({"--device", "QM2B", "--mode", "loader"}));
    ASSERT_EQ(dev.PtyPath().rfind("/dev/pts/", 0), 0u) << dev.PtyPath();

    platform::SerialPort port;
    ASSERT_TRUE(port.Open(dev.PtyPath(), 1000000));
    port.Purge();
    ASSERT_TRUE(port.Write(std::string("burn_noerase\r")));
    EXPECT_EQ(ReadUntil(port, "OK", 2000), "OK\r\n");
    ASSERT_TRUE(port.Write(std::string("otp_factory_write 1 060504030201\r\n")));
    EXPECT_EQ(ReadUntil(port, "OTP_FACTORY_WRITE_PASS", 2000), "OTP_FACTORY_WRITE_PASS\r\n");
    ASSERT_TRUE(port.Write(std::string("burn_erase_write 0x10000000 0x4\r")));
    EXPECT_EQ(ReadUntil(port, "RX_WAIT", 2000), "RX_WAIT\r\n");
    ASSERT_TRUE(port.Write(std::string("\x01\x02\x03\x04")));
    EXPECT_EQ(ReadUntil(port, "OK", 2000), "OK\r\n");
    port.Close();

    devsim::StateFile state;
    std::string error;
    ASSERT_TRUE(dev.StopAndLoadState(state, &error)) << error;
    EXPECT_EQ(state.deviceType, "QM2B");
    ASSERT_NE(state.state.otp.Find(1), nullptr);
    EXPECT_EQ(state.state.otp.Find(1)->bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    std::vector<uint8_t> back;
    ASSERT_TRUE(state.state.flash.Read(0x10000000, 4, back));
    EXPECT_EQ(back, (std::vector<uint8_t>{1, 2, 3, 4}));

    // A second run keeps what the device holds.
    testing_support::DevsimProcess again;
    ASSERT_TRUE(again.Start({"--device", "QM2B", "--mode", "loader", "--state", dev.StatePath()}));
    platform::SerialPort port2;
    ASSERT_TRUE(port2.Open(again.PtyPath(), 1000000));
    port2.Purge();
    ASSERT_TRUE(port2.Write(std::string("otp_factory_read\r\n")));
    EXPECT_EQ(ReadUntil(port2, "OTP_FACTORY_READ_OVER", 2000),
              "FACTORY_CFG_ID_MAC:060504030201\r\nOTP_FACTORY_READ_OVER\r\n");
    port2.Close();
    EXPECT_EQ(again.Stop(), 0);
    std::remove(dev.StatePath().c_str());
}

TEST(DevsimSmoke, HelpListsTheOptions) {
    platform::ChildProcess child;
    ASSERT_TRUE(child.Start({testing_support::DevsimProcess::BinaryPath(), "--help"}));
    std::string out;
    while (child.ReadAvailable(out, 1000)) {
    }
    EXPECT_EQ(child.Wait(), 0);
    for (const char* option : {"--device", "--mode", "--state", "--rate-limit", "--fail-command", "--silent-command",
                               "--garbage", "--disconnect-after", "--no-argv-echo", "--crystal", "--battery"})
        EXPECT_NE(out.find(option), std::string::npos) << option;
}

TEST(DevsimSmoke, OneProcessObjectStartsAgainAfterStop) {
    testing_support::DevsimProcess dev;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(dev.Start({"--device", "QM2B", "--mode", "loader"}));
        platform::SerialPort port;
        ASSERT_TRUE(port.Open(dev.PtyPath(), 1000000)) << round << " " << dev.PtyPath();
        port.Purge();
        ASSERT_TRUE(port.Write(std::string("burn_noerase\r")));
        EXPECT_EQ(ReadUntil(port, "OK", 2000), "OK\r\n");
        port.Close();
        EXPECT_EQ(dev.Stop(), 0);
    }
    std::remove(dev.StatePath().c_str());
}
