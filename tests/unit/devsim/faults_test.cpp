#include <gtest/gtest.h>

#include "devsim/model/dfu_packets.h"
#include "tests/unit/devsim/device_harness.h"

using devsim::Device;
using devsim::FaultOptions;
using devsim_test::Harness;

TEST(DevsimFaults, NamedCommandFails) {
    FaultOptions f;
    f.failCommand = "burn_verify";
    Harness h("QM2B", Device::StartMode::RamLoader, f);
    EXPECT_EQ(h.Send("burn_verify 0x10000000 0x0 0x0\r"), "Fail\r\n");
    EXPECT_EQ(h.Send("burn_noerase\r"), "OK\r\n");
}

TEST(DevsimFaults, NamedCommandIsSilent) {
    FaultOptions f;
    f.silentCommand = "burn_speed";
    Harness h("QM2B", Device::StartMode::RamLoader, f);
    EXPECT_EQ(h.Send("burn_speed 3000000 1000\r"), "");
    EXPECT_EQ(h.Advance(5000), "");
    EXPECT_EQ(h.device.Baud(), 1000000);
    EXPECT_EQ(h.Send("burn_noerase\r"), "OK\r\n");
}

TEST(DevsimFaults, DfuPacketsCanFail) {
    FaultOptions f;
    f.failCommand = "dfu_recv";
    Harness h("QM2B", Device::StartMode::BootRom, f);
    EXPECT_EQ(h.Send("dfu_recv 5\r" + std::string("\x03\x0A", 2) + "key"), "Fail\r\n");
}

TEST(DevsimFaults, GarbageBeforeEveryReply) {
    FaultOptions f;
    f.garbage = true;
    Harness h("QM2B", Device::StartMode::RamLoader, f);
    EXPECT_EQ(h.Send("burn_noerase\r"), devsim::kGarbageBytes + "OK\r\n");
    EXPECT_EQ(h.Send("nonsense\r"), devsim::kGarbageBytes + "Fail\r\n");
    for (const char* token : {"OK", "Fail", "RX_WAIT", "argv[1]", "PASS", "FAIL", "start_trans", "CRC:"})
        EXPECT_EQ(devsim::kGarbageBytes.find(token), std::string::npos) << token;
}

TEST(DevsimFaults, DisconnectAfterImageBytes) {
    FaultOptions f;
    f.disconnectAfterImageBytes = 1000;
    Harness h("QM2B", Device::StartMode::RamLoader, f);
    EXPECT_EQ(h.Send("burn_erase_write 0x10000000 0x1000\r"), "RX_WAIT\r\n");
    EXPECT_FALSE(h.device.Disconnected());
    EXPECT_EQ(h.Send(std::string(999, 'x')), "");
    EXPECT_FALSE(h.device.Disconnected());
    EXPECT_EQ(h.Send(std::string(3097, 'x')), "");
    EXPECT_TRUE(h.device.Disconnected());
    EXPECT_EQ(h.Send("burn_noerase\r"), "");  // never answers again
    EXPECT_EQ(h.Advance(20000), "");
}

TEST(DevsimFaults, NoArgvEcho) {
    FaultOptions f;
    f.noArgvEcho = true;
    f.crystalDelayMs = 100;
    Harness h("QM2B", Device::StartMode::RamLoader, f);
    EXPECT_EQ(h.Send("crystal_cali 8 5 10\r"), "");
    EXPECT_EQ(h.Advance(200), "CRYSTAL_CALI_PASS\r\n");
}

TEST(DevsimFaults, StalledTransferEndsAndTextCommandsWorkAgain) {
    Harness h;
    EXPECT_EQ(h.Send("burn_erase_write 0x10000000 0x1000\r"), "RX_WAIT\r\n");
    h.Send(std::string(10, 'x'));
    EXPECT_EQ(h.Advance(10100), "Fail\r\n");
    EXPECT_EQ(h.Send("burn_noerase\r"), "OK\r\n");
}
