#include <gtest/gtest.h>

#include "common/image_crc.h"
#include "tests/unit/devsim/device_harness.h"

using devsim::Device;
using devsim::PersonalityKind;
using devsim_test::Harness;
using devsim_test::Hex;

namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed = 1) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + seed + (i >> 9));
    return v;
}

// Writes `data` with burn_erase_write the way the tool does; returns the replies.
std::string EraseWrite(Harness& h, uint32_t address, const std::vector<uint8_t>& data) {
    std::string replies = h.Send("burn_erase_write " + Hex(address) + " " + Hex(uint32_t(data.size())) + "\r");
    for (size_t offset = 0; offset < data.size(); offset += 0x20000) {
        const size_t n = std::min<size_t>(0x20000, data.size() - offset);
        replies += h.Send(std::vector<uint8_t>(data.begin() + long(offset), data.begin() + long(offset + n)));
    }
    return replies;
}

}  // namespace

TEST(DevsimLoader, BurnSpeedSwitchesOnceTheLineFollows) {
    Harness h;
    EXPECT_EQ(h.Send("burn_speed 3000000 1000\r"), "");
    EXPECT_EQ(h.Advance(20), "OK\r\n");  // the line's rate unknown: at 20 ms
    EXPECT_EQ(h.device.Baud(), 3000000);
    EXPECT_EQ(h.Send("burn_speed fast 1000\r"), "Fail\r\n");
    EXPECT_EQ(h.Send("burn_speed 0 1000\r"), "Fail\r\n");

    // The OK waits for the tool's port; either rate crosses meanwhile.
    h.device.SetLineBaud(3000000);
    EXPECT_EQ(h.Send("burn_speed 1000000 1000\r\n"), "");
    EXPECT_EQ(h.Advance(100), "");
    h.device.SetLineBaud(1000000);
    EXPECT_TRUE(h.device.LineRateMatches());
    EXPECT_EQ(h.Advance(10), "OK\r\n");
    EXPECT_EQ(h.device.Baud(), 1000000);

    // A tool that never follows gets its OK after a second, as line noise,
    // and its commands reach the loader as noise too.
    h.device.SetLineBaud(1000000);
    h.Send("burn_speed 3000000 1000\r");
    EXPECT_EQ(h.Advance(980), "");
    EXPECT_EQ(h.Advance(30), "OK\r\n");
    EXPECT_FALSE(h.device.LineRateMatches());
    EXPECT_EQ(h.Send("burn_noerase\r"), "");
    uint8_t ok[2] = {'O', 'K'};
    devsim::ToLineNoise(ok, 2);
    EXPECT_GE(ok[0], 0x80);
    EXPECT_GE(ok[1], 0x80);
}

// The loader's receive buffer: bytes sent before the loader asked are lost
// beyond a small slack, and the write fails. Flash work takes time when
// timed, and the next RX_WAIT waits for it.
TEST(DevsimLoader, BlocksBeforeRxWaitAreLostAndFlashWorkTakesItsTime) {
    Harness early;
    const auto data = Pattern(0x20000 + 0x100);
    std::string all = "burn_erase_write 0x10020000 " + Hex(uint32_t(data.size())) + "\r";
    all.append(data.begin(), data.end());
    EXPECT_EQ(early.Send(all), "RX_WAIT\r\nFail\r\n");

    Harness hurried;
    EXPECT_EQ(hurried.Send("burn_erase_write 0x10020000 " + Hex(uint32_t(data.size())) + "\r"), "RX_WAIT\r\n");
    EXPECT_EQ(hurried.Send(data), "RX_WAIT\r\nFail\r\n");  // the tail came with the first block

    devsim::FaultOptions f;
    f.flashTiming = true;
    Harness timed("QM2B", Device::StartMode::RamLoader, f);
    EXPECT_EQ(timed.Send("burn_erase_write 0x10020000 " + Hex(uint32_t(data.size())) + "\r"), "");
    EXPECT_EQ(timed.Advance(110), "");
    EXPECT_EQ(timed.Advance(20), "RX_WAIT\r\n");  // two 64 KiB blocks erased
    EXPECT_EQ(timed.Send(std::vector<uint8_t>(data.begin(), data.begin() + 0x20000)), "");
    EXPECT_EQ(timed.Send(std::vector<uint8_t>(data.begin() + 0x20000, data.end())), "Fail\r\n");  // while programming

    Harness erase("QM2B", Device::StartMode::RamLoader, f);
    EXPECT_EQ(erase.Send("burn_erase_all 0x10000000\r"), "");
    EXPECT_EQ(erase.Advance(15300), "");
    EXPECT_EQ(erase.Advance(100), "OK\r\n");
}

TEST(DevsimLoader, ATransferIsNotTakenForStalledWhenTimeMovesWithinATick) {
    devsim::FaultOptions f;
    f.flashTiming = true;
    Harness h("QM2B", Device::StartMode::RamLoader, f);
    h.clock.creepUs = 700;
    const auto data = Pattern(0x20000 + 0x100);
    EXPECT_EQ(h.Send("burn_erase_write 0x10020000 " + Hex(uint32_t(data.size())) + "\r"), "");
    ASSERT_EQ(h.Advance(300), "RX_WAIT\r\n");
    EXPECT_EQ(h.Send(std::vector<uint8_t>(data.begin(), data.begin() + 0x20000)), "");
    EXPECT_EQ(h.Advance(300), "RX_WAIT\r\n");
    EXPECT_EQ(h.Send(std::vector<uint8_t>(data.begin() + 0x20000, data.end())) + h.Advance(300), "OK\r\n");
}

TEST(DevsimLoader, EraseWriteSendsRxWaitPerBlockThenOk) {
    Harness h;
    const auto data = Pattern(0x40000 + 100);
    EXPECT_EQ(EraseWrite(h, 0x10020000, data), "RX_WAIT\r\nRX_WAIT\r\nRX_WAIT\r\nOK\r\n");
    std::vector<uint8_t> back;
    ASSERT_TRUE(h.device.Flash().Read(0x10020000, uint32_t(data.size()), back));
    EXPECT_EQ(back, data);
    // Bytes around the image stay erased.
    std::vector<uint8_t> edge;
    ASSERT_TRUE(h.device.Flash().Read(0x1001FFFF, 1, edge));
    EXPECT_EQ(edge[0], 0xFF);
}

TEST(DevsimLoader, EraseWriteTakesBlocksInAnyPieces) {
    Harness h;
    const auto data = Pattern(3000);
    std::string out = h.Send("burn_erase_write 0x10000000 0xbb8\r");
    EXPECT_EQ(out, "RX_WAIT\r\n");
    out.clear();
    for (size_t i = 0; i < data.size(); i += 7)
        out += h.Send(std::vector<uint8_t>(data.begin() + long(i), data.begin() + long(std::min(data.size(), i + 7))));
    EXPECT_EQ(out, "OK\r\n");
    // Text commands work again afterwards.
    EXPECT_EQ(h.Send("burn_noerase\r"), "OK\r\n");
}

TEST(DevsimLoader, EraseWriteOfZeroBytesAnswersOk) {
    Harness h;
    EXPECT_EQ(h.Send("burn_erase_write 0x10000000 0x0\r"), "OK\r\n");
}

TEST(DevsimLoader, NoEraseProgramsOverOldContents) {
    Harness h;
    EraseWrite(h, 0x10000000, {0x0F, 0xF0});
    EXPECT_EQ(h.Send("burn_noerase\r"), "OK\r\n");
    EXPECT_EQ(EraseWrite(h, 0x10000000, {0x3C, 0x3C}), "RX_WAIT\r\nOK\r\n");
    std::vector<uint8_t> back;
    h.device.Flash().Read(0x10000000, 2, back);
    EXPECT_EQ(back, (std::vector<uint8_t>{0x0C, 0x30}));  // bits only went 1 -> 0
    // The flag is spent: the next write erases again.
    EraseWrite(h, 0x10000000, {0x3C, 0x3C});
    h.device.Flash().Read(0x10000000, 2, back);
    EXPECT_EQ(back, (std::vector<uint8_t>{0x3C, 0x3C}));
}

TEST(DevsimLoader, VerifyComparesImageCrc) {
    Harness h;
    const auto data = Pattern(5000);
    EraseWrite(h, 0x64000000, data);
    const uint32_t crc = common::ImageCrc(data.data(), data.size());
    EXPECT_EQ(h.Send("burn_verify 0x64000000 " + Hex(5000) + " " + Hex(crc) + "\r"), "OK\r\n");
    EXPECT_EQ(h.Send("burn_verify 0x64000000 " + Hex(5000) + " " + Hex(crc ^ 1) + "\r"), "Fail\r\n");
    EXPECT_EQ(h.Send("burn_verify 0x70000000 0x10 0x0\r"), "Fail\r\n");
}

TEST(DevsimLoader, ReadSendsStartTransDataThenCrcAndOkTogether) {
    Harness h;
    const auto data = Pattern(0x400);
    EraseWrite(h, 0x10000000, data);
    EXPECT_EQ(h.Send("burn_read 0x10000000 0x00000400\r"), "start_trans\r\n");
    // The data follows after a pause, so that the tool reads the line alone.
    const std::string rest = h.Advance(100);
    char tail[64];
    std::snprintf(tail, sizeof tail, "CRC:0x%08x\r\nOK\r\n", common::ImageCrc(data.data(), data.size()));
    EXPECT_EQ(rest, std::string(data.begin(), data.end()) + tail);
}

TEST(DevsimLoader, ReadOfErasedFlashIsFf) {
    Harness h;
    h.Send("burn_read 0x10000000 0x00000010\r");
    const std::string rest = h.Advance(100);
    EXPECT_EQ(rest.substr(0, 16), std::string(16, '\xFF'));
    EXPECT_NE(rest.find("CRC:0x"), std::string::npos);
}

TEST(DevsimLoader, ReadOutsideFlashFails) {
    Harness h;
    EXPECT_EQ(h.Send("burn_read 0x20000000 0x00000010\r"), "Fail\r\n");
    EXPECT_EQ(h.Send("burn_read 0x10fffff0 0x00000020\r"), "Fail\r\n");  // runs past the region
    EXPECT_EQ(h.Send("burn_read 0x1000000f 0xffffffff\r"), "Fail\r\n");  // would wrap at 32 bits
}

TEST(DevsimLoader, EraseAllPerDeviceFamily) {
    struct Case {
        const char* type;
        std::vector<uint32_t> ok;
        std::vector<uint32_t> fail;
    };
    const std::vector<Case> cases = {
        {"QM2B", {0x10000000, 0x64000000}, {0x1c000000, 0x12000000, 0x62000000}},
        {"QM2C", {0x1c000000, 0x14000000, 0x18000000}, {0x64000000, 0x10000000}},
        {"QM2C_NAND", {0x1c000000, 0x64000000, 0x68000000}, {0x14000000}},
        {"QM2E", {0x1c000000, 0x14000000, 0x18000000}, {0x68000000}},
        {"QM2E_NAND", {0x1c000000, 0x64000000, 0x68000000}, {0x18000000}},
        {"QM2A", {0x12000000, 0x10000000}, {0x62000000}},
        {"QM2A_NAND", {0x62000000}, {0x10000000}},
    };
    for (const auto& c : cases) {
        Harness h(c.type);
        for (uint32_t base : c.ok) {
            EraseWrite(h, base + 0x1000, {1, 2, 3});
            EXPECT_EQ(h.Send("burn_erase_all " + Hex(base) + "\r"), "OK\r\n") << c.type << " " << Hex(base);
            std::vector<uint8_t> back;
            h.device.Flash().Read(base + 0x1000, 3, back);
            EXPECT_EQ(back, std::vector<uint8_t>(3, 0xFF));
        }
        for (uint32_t base : c.fail)
            EXPECT_EQ(h.Send("burn_erase_all " + Hex(base) + "\r"), "Fail\r\n") << c.type << " " << Hex(base);
    }
}

TEST(DevsimLoader, EraseAllFactoryKeepsTheProductionArea) {
    Harness h("QM2A_NAND");
    EraseWrite(h, 0x62000000, {1});
    EraseWrite(h, 0x63EFFFFF, {2});
    EraseWrite(h, 0x63F00000, {3});
    EraseWrite(h, 0x63FFFFFF, {4});
    EXPECT_EQ(h.Send("burn_erase_all_factory 0x62000000\r"), "OK\r\n");
    std::vector<uint8_t> b;
    h.device.Flash().Read(0x62000000, 1, b);
    EXPECT_EQ(b[0], 0xFF);
    h.device.Flash().Read(0x63EFFFFF, 1, b);
    EXPECT_EQ(b[0], 0xFF);
    h.device.Flash().Read(0x63F00000, 1, b);
    EXPECT_EQ(b[0], 3);
    h.device.Flash().Read(0x63FFFFFF, 1, b);
    EXPECT_EQ(b[0], 4);
}

TEST(DevsimLoader, EraseRange) {
    Harness h;
    EraseWrite(h, 0x10000000, Pattern(0x3000));
    EXPECT_EQ(h.Send("burn_erase 0x10001000 0x1000\r"), "OK\r\n");
    std::vector<uint8_t> b;
    h.device.Flash().Read(0x10000FFF, 0x1002, b);
    EXPECT_NE(b[0], 0xFF);
    EXPECT_EQ(b[1], 0xFF);
    EXPECT_EQ(b[0x1000], 0xFF);
    EXPECT_EQ(b[0x1001], Pattern(0x3000)[0x2000]);
    EXPECT_EQ(h.Send("burn_erase 0x30000000 0x1000\r"), "Fail\r\n");
    EXPECT_EQ(h.Send("burn_erase 0x10fff000 0x2000\r"), "Fail\r\n");
    EXPECT_EQ(h.Send("burn_erase 0x1000000f 0xffffffff\r"), "Fail\r\n");
}

TEST(DevsimLoader, WriteOutsideFlashFails) {
    Harness h;
    EXPECT_EQ(h.Send("burn_erase_write 0x20000000 0x10\r"), "Fail\r\n");
    EXPECT_EQ(h.Send("burn_erase_write 0x10fffff0 0x20\r"), "Fail\r\n");
    EXPECT_EQ(h.Send("burn_erase_write_gzip 0x30000000 0x1\r"), "Fail\r\n");
}

TEST(DevsimLoader, UnknownCommandFails) {
    Harness h;
    EXPECT_EQ(h.Send("burn_fly 1 2\r"), "Fail\r\n");
    EXPECT_EQ(h.Send("\r\n\r\n"), "");  // blank lines are no commands
}

TEST(DevsimLoader, CalibrationsAndRecordsAnswerAfterTheirTime) {
    devsim::FaultOptions f;
    f.crystalDelayMs = 3000;
    f.batteryDelayMs = 2000;
    f.recordDelayMs = 300;
    Harness h("QM2B", Device::StartMode::RamLoader, f);
    const std::string echo = h.Send("crystal_cali 8 5 10\r");
    EXPECT_NE(echo.find("argv[1]"), std::string::npos);
    EXPECT_EQ(echo.find("CRYSTAL_CALI"), std::string::npos);
    EXPECT_EQ(h.Advance(2900), "");
    EXPECT_EQ(h.Advance(200), "CRYSTAL_CALI_PASS\r\n");

    EXPECT_NE(h.Send("ble_crystal_cali 15 3\r\n").find("argv[1]"), std::string::npos);
    EXPECT_EQ(h.Advance(3100), "CRYSTAL_CALI_PASS\r\n");

    EXPECT_EQ(h.Send("battery_cali 4000 400 30 1000 220\r"), "");
    const std::string battery = h.Advance(2100);
    EXPECT_NE(battery.find("first measure: ref_value 4000"), std::string::npos);
    EXPECT_NE(battery.find("BATTERY_CALI_PASS\r\n"), std::string::npos);

    EXPECT_EQ(h.Send("otp_factory_write 2 \"SN1\"\r\n"), "");
    EXPECT_EQ(h.Advance(290), "");
    EXPECT_EQ(h.Advance(20), "OTP_FACTORY_WRITE_PASS\r\n");
    EXPECT_EQ(h.Send("otp_factory_read\r\n"), "");
    EXPECT_EQ(h.Advance(310), "FACTORY_CFG_ID_SN:SN1\r\nOTP_FACTORY_READ_OVER\r\n");
}

TEST(DevsimLoader, CalibrationsCanFail) {
    devsim::FaultOptions f;
    f.crystalPass = false;
    f.batteryPass = false;
    f.crystalDelayMs = 10;
    f.batteryDelayMs = 10;
    Harness h("QM2B", Device::StartMode::RamLoader, f);
    h.Send("crystal_cali 8 5 10\r");
    EXPECT_EQ(h.Advance(50), "CRYSTAL_CALI_FAIL\r\n");
    h.Send("battery_cali 4000 400 30 1000 220\r");
    EXPECT_NE(h.Advance(50).find("BATTERY_CALI_FAIL\r\n"), std::string::npos);
}

TEST(DevsimLoader, JumpStartsTheFirmware) {
    Harness h;
    EXPECT_EQ(h.Send("hcpu_jump_run 0x10020000\r\n"), "");
    EXPECT_EQ(h.device.CurrentPersonality(), PersonalityKind::Firmware);
}

TEST(DevsimLoader, FirmwareStartMode) {
    Harness h("QM2C", Device::StartMode::Firmware);
    EXPECT_EQ(h.device.CurrentPersonality(), PersonalityKind::Firmware);
    EXPECT_EQ(h.device.Type().FirmwareAddress(), 0x1c008000u);
}
