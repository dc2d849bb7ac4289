#include <gtest/gtest.h>

#include "devsim/model/dfu_packets.h"
#include "tests/unit/devsim/device_harness.h"

using devsim::Device;
using devsim::PersonalityKind;
using devsim_test::Harness;

namespace {

std::string Type(uint16_t t) { return std::string{char(t & 0xFF), char(t >> 8)}; }

// The tool's order: command text, then type, then payload, as separate writes.
std::string Packet(Harness& h, uint16_t type, const std::string& payload) {
    std::string out = h.Send("dfu_recv " + std::to_string(payload.size() + 2) + "\r");
    out += h.Send(Type(type));
    if (!payload.empty()) out += h.Send(payload);
    return out;
}

std::string Bytes(size_t n, char fill) { return std::string(n, fill); }

}  // namespace

TEST(DevsimDfuBoot, BannerAtPowerOn) {
    platform::VirtualClock clock;
    Device b(devsim::DeviceType("QM2B"), clock);
    b.Start(Device::StartMode::BootRom);
    EXPECT_EQ(b.TakeOutputText(), "Norva");
    Device a(devsim::DeviceType("QM2A"), clock);
    a.Start(Device::StartMode::BootRom);
    EXPECT_EQ(a.TakeOutputText(), "NVBL");
}

TEST(DevsimDfuBoot, FullSequenceStartsTheLoader) {
    Harness h("QM2B", Device::StartMode::BootRom);
    EXPECT_EQ(h.device.CurrentPersonality(), PersonalityKind::BootRom);
    EXPECT_EQ(Packet(h, devsim::kDfuKey, Bytes(294, 'k')), "OK\r\n");
    EXPECT_EQ(Packet(h, devsim::kDfuFirst, Bytes(328, 'a')), "OK\r\n");
    EXPECT_EQ(Packet(h, devsim::kDfuNext, Bytes(548, 'b')), "OK\r\n");
    EXPECT_EQ(Packet(h, devsim::kDfuNext, Bytes(40, 'c')), "OK\r\n");
    EXPECT_EQ(h.device.CurrentPersonality(), PersonalityKind::BootRom);
    EXPECT_EQ(Packet(h, devsim::kDfuEnd, ""), "OK\r\n");
    EXPECT_EQ(h.device.CurrentPersonality(), PersonalityKind::RamLoader);
    EXPECT_EQ(h.device.Baud(), 1000000);
    EXPECT_EQ(h.device.receivedKey.size(), 294u);
    const std::string loader = Bytes(328, 'a') + Bytes(548, 'b') + Bytes(40, 'c');
    EXPECT_EQ(h.device.receivedLoader, std::vector<uint8_t>(loader.begin(), loader.end()));
    // The loader answers.
    h.Send("burn_speed 3000000 1000\r");
    EXPECT_EQ(h.Advance(20), "OK\r\n");
}

TEST(DevsimDfuBoot, PacketSplitAnywhereIsBuffered) {
    Harness h("QM2B", Device::StartMode::BootRom);
    const std::string all = "dfu_recv 6\r" + Type(devsim::kDfuKey) + "wxyz";
    std::string out;
    for (char c : all) out += h.Send(std::string(1, c));
    EXPECT_EQ(out, "OK\r\n");
}

TEST(DevsimDfuBoot, OutOfOrderAndMalformedPacketsFail) {
    {
        Harness h("QM2B", Device::StartMode::BootRom);
        EXPECT_EQ(Packet(h, devsim::kDfuFirst, Bytes(328, 'a')), "Fail\r\n");  // no key yet
    }
    {
        Harness h("QM2B", Device::StartMode::BootRom);
        EXPECT_EQ(Packet(h, devsim::kDfuKey, ""), "Fail\r\n");  // empty key
    }
    {
        Harness h("QM2B", Device::StartMode::BootRom);
        EXPECT_EQ(Packet(h, devsim::kDfuKey, "key"), "OK\r\n");
        EXPECT_EQ(Packet(h, devsim::kDfuNext, Bytes(548, 'b')), "Fail\r\n");  // next before first
    }
    {
        Harness h("QM2B", Device::StartMode::BootRom);
        EXPECT_EQ(Packet(h, devsim::kDfuKey, "key"), "OK\r\n");
        EXPECT_EQ(Packet(h, devsim::kDfuFirst, Bytes(300, 'a')), "Fail\r\n");  // first must be 328
    }
    {
        Harness h("QM2B", Device::StartMode::BootRom);
        EXPECT_EQ(Packet(h, devsim::kDfuKey, "key"), "OK\r\n");
        EXPECT_EQ(Packet(h, devsim::kDfuEnd, ""), "Fail\r\n");  // end before any image
        EXPECT_EQ(h.device.CurrentPersonality(), PersonalityKind::BootRom);
    }
    {
        Harness h("QM2B", Device::StartMode::BootRom);
        EXPECT_EQ(Packet(h, 0x1234, "zz"), "Fail\r\n");  // unknown type
        EXPECT_EQ(h.Send("dfu_recv 1\r"), "Fail\r\n");   // shorter than a type
        EXPECT_EQ(h.Send("dfu_recv x\r"), "Fail\r\n");
    }
}

TEST(DevsimDfuBoot, StalledPacketIsDropped) {
    Harness h("QM2B", Device::StartMode::BootRom);
    EXPECT_EQ(h.Send("dfu_recv 10\r" + Type(devsim::kDfuKey) + "ab"), "");
    EXPECT_EQ(h.Advance(1100), "Fail\r\n");
    // The next packet is read as a packet again.
    EXPECT_EQ(Packet(h, devsim::kDfuKey, "key"), "OK\r\n");
}

TEST(DevsimDfuBoot, LoaderCommandInTheSameReadAsTheEndPacket) {
    Harness h("QM2B", Device::StartMode::BootRom);
    Packet(h, devsim::kDfuKey, "key");
    Packet(h, devsim::kDfuFirst, Bytes(328, 'a'));
    EXPECT_EQ(h.Send("dfu_recv 2\r" + Type(devsim::kDfuEnd) + "burn_noerase\r"), "OK\r\nOK\r\n");
}

TEST(DevsimDfuBoot, BurnResetReturnsToTheBootRom) {
    Harness h("QM2B", Device::StartMode::RamLoader);
    int resets = 0;
    h.device.onReset = [&] { ++resets; };
    h.Send("burn_speed 3000000 1000\r");
    EXPECT_EQ(h.Advance(20), "OK\r\n");
    EXPECT_EQ(h.device.Baud(), 3000000);
    EXPECT_EQ(h.Send("burn_reset\r"), "Norva");  // no reply, the boot ROM's banner
    EXPECT_EQ(h.device.CurrentPersonality(), PersonalityKind::BootRom);
    EXPECT_EQ(h.device.Baud(), 1000000);
    EXPECT_EQ(resets, 1);
}

TEST(DevsimDebugPortHook, FrameMagicAttachesTheDebugPort) {
    {
        Harness h("QM2A", Device::StartMode::BootRom);
        EXPECT_FALSE(h.device.DebugPortAttached());
        h.Send("\r\n\x7E");
        EXPECT_FALSE(h.device.DebugPortAttached());
        h.Send("\x79");
        EXPECT_TRUE(h.device.DebugPortAttached());
    }
    {
        Harness h("QM2C", Device::StartMode::BootRom);
        h.Send("\x7E\x79");
        EXPECT_TRUE(h.device.DebugPortAttached());
        h.device.DetachDebugPort();
        EXPECT_EQ(Packet(h, devsim::kDfuKey, "key"), "OK\r\n");
    }
    {
        // At the start of a loader line too, but never inside image data.
        Harness h("QM2C", Device::StartMode::RamLoader);
        EXPECT_EQ(h.Send("burn_erase_write 0x1c000000 0x4\r"), "RX_WAIT\r\n");
        EXPECT_EQ(h.Send("\x7E\x79\x01\x02"), "OK\r\n");
        EXPECT_FALSE(h.device.DebugPortAttached());
        h.Send("\x7E\x79");
        EXPECT_TRUE(h.device.DebugPortAttached());
    }
    {
        // A chip without a debug port takes the magic as text.
        Harness h("QM2B", Device::StartMode::RamLoader);
        EXPECT_EQ(h.Send("\x7E\x79\r"), "Fail\r\n");
        EXPECT_FALSE(h.device.DebugPortAttached());
    }
}
