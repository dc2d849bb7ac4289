// The boot ROM's debug port as a tool sees it on the line, byte for byte.
#include <gtest/gtest.h>

#include "devsim/model/debug_port.h"
#include "devsim/model/device_options.h"
#include "tests/unit/devsim/device_harness.h"

namespace {

using devsim_test::Harness;

enum class Form { Short, Long };

std::string Field(Form form, uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        const int shift = form == Form::Long ? 8 * (bytes - 1 - i) : 8 * i;
        out += char((v >> shift) & 0xFF);
    }
    return out;
}

std::string Frame(Form form, const std::string& payload) {
    std::string f = "\x7E\x79" + Field(form, uint32_t(payload.size()), 2);
    f += form == Form::Short ? std::string("\x10\x00", 2) : std::string("\x00\x00\x00\x00\x10\x00\x00\x00", 8);
    return f + payload;
}

std::string Enter(Form form) { return Frame(form, std::string("ATQMXF\x05\x21", 8)); }
std::string Leave(Form form) { return Frame(form, std::string("ATQMXF\x18\x21", 8)); }
std::string Read(Form form, uint32_t bus) { return Frame(form, "\x40\x72" + Field(form, bus, 4) + Field(form, 1, 2)); }
std::string Write(Form form, uint32_t bus, std::vector<uint32_t> words) {
    std::string p = "\x40\x77" + Field(form, bus, 4) + Field(form, uint32_t(words.size()), 2);
    for (uint32_t w : words) p += Field(form, w, 4);
    return Frame(form, p);
}
std::string Ack(Form form, uint8_t marker) { return Frame(form, std::string{char(marker), '\x06'}); }
std::string ReadReply(Form form, uint32_t value) { return Frame(form, "\xD2" + Field(form, value, 4) + "\x06"); }

// The value in a read reply (the whole reply must be well formed).
uint32_t ValueOf(Form form, const std::string& reply) {
    const size_t head = form == Form::Short ? 6 : 12;
    EXPECT_EQ(reply.size(), head + 6);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        const int index = form == Form::Long ? i : 3 - i;
        v = v << 8 | uint8_t(reply[head + 1 + size_t(index)]);
    }
    return v;
}

struct Chip {
    explicit Chip(Form f, devsim::FaultOptions faults = {}, devsim::DebugPortFaults portFaults = {})
        : form(f),
          h(f == Form::Short ? "QM2A" : "QM2C", devsim::Device::StartMode::BootRom, faults,
            devsim::StandardExtensions(portFaults)) {}
    uint32_t ReadWord(uint32_t bus) { return ValueOf(form, h.Send(Read(form, bus))); }
    std::string WriteWords(uint32_t bus, std::vector<uint32_t> words) { return h.Send(Write(form, bus, words)); }
    // Halt, catch the reset vector, reset: the core stops in the boot ROM.
    void HaltAfterReset() {
        h.Send(Enter(form));
        WriteWords(0xF000EDF0, {0xA05F0003});
        WriteWords(0xF000EDFC, {0x01000001});
        h.Send(Write(form, 0xF000ED0C, {0x05FA0004}));
        h.Send(Enter(form));
    }
    uint32_t CoreReg(uint32_t selector) {
        WriteWords(0xF000EDF4, {selector});
        EXPECT_TRUE(ReadWord(0xF000EDF0) & 0x10000);
        return ReadWord(0xF000EDF8);
    }

    Form form;
    Harness h;
};

TEST(DebugPortDevice, EnterAndLeaveAnswerWithTheDocumentedFramesInEachForm) {
    Chip a(Form::Short);
    EXPECT_EQ(a.h.Send(Enter(Form::Short)), std::string("\x7E\x79\x02\x00\x10\x00\xD1\x06", 8));
    EXPECT_EQ(a.h.Send(Leave(Form::Short)), std::string("\x7E\x79\x02\x00\x10\x00\xD0\x06", 8));
    Chip c(Form::Long);
    EXPECT_EQ(c.h.Send(Enter(Form::Long)), std::string("\x7E\x79\x00\x02\x00\x00\x00\x00\x10\x00\x00\x00\xD1\x06", 14));
    EXPECT_EQ(c.h.Send(Write(Form::Long, 0x40040028, {0})), Ack(Form::Long, 0xD3));
}

TEST(DebugPortDevice, WordsLandInRamThroughEachFormsBusMapping) {
    Chip a(Form::Short);
    a.h.Send(Enter(Form::Short));
    EXPECT_EQ(a.WriteWords(0x20004000, {0x11223344, 0x55667788}), Ack(Form::Short, 0xD3));
    EXPECT_EQ(a.h.device.Ram().Read32(0x20004004), 0x55667788u);
    EXPECT_EQ(a.ReadWord(0x20004000), 0x11223344u);

    Chip c(Form::Long);
    c.h.Send(Enter(Form::Long));
    c.WriteWords(0x2A004000, {0x11223344});  // RAM 0x20004000
    c.WriteWords(0x00000010, {0xA1A2A3A4});  // RAM 0x20800010
    c.WriteWords(0x20400020, {0xB1B2B3B4});  // RAM 0x20C00020
    devsim::SparseMemory& ram = c.h.device.Ram();
    EXPECT_EQ(ram.Read32(0x20004000), 0x11223344u);
    EXPECT_EQ(ram.Read8(0x20004000), 0x44);  // big-endian on the line, little-endian in memory
    EXPECT_EQ(ram.Read32(0x20800010), 0xA1A2A3A4u);
    EXPECT_EQ(ram.Read32(0x20C00020), 0xB1B2B3B4u);
    EXPECT_EQ(c.h.Send(Read(Form::Long, 0x2A004000)), ReadReply(Form::Long, 0x11223344));
}

TEST(DebugPortDevice, ResetWithVectorCatchStopsAtTheBootRomHaltAddress) {
    for (Form form : {Form::Short, Form::Long}) {
        Chip chip(form);
        chip.h.device.SetBaud(3000000);
        chip.h.Send(Enter(form));
        chip.WriteWords(0xF000EDF0, {0xA05F0003});
        chip.WriteWords(0xF000EDFC, {0x01000001});
        const std::string answer = chip.h.Send(Write(form, 0xF000ED0C, {0x05FA0004}));
        // The short form resets without answering; either way the boot ROM
        // is back at 1000000 baud.
        EXPECT_EQ(answer, form == Form::Short ? "NVBL" : "Norva" + Ack(form, 0xD3));
        EXPECT_EQ(chip.h.device.Baud(), 1000000);
        EXPECT_EQ(chip.h.Send(Enter(form)), Ack(form, 0xD1));
        EXPECT_EQ(chip.ReadWord(0xF000EDF0) & 0x20000, 0x20000u);  // halted
        EXPECT_EQ(chip.CoreReg(15), 0x7D4u);
    }
}

TEST(DebugPortDevice, RegisterTransfersCompleteOnlyWhileTheCoreIsHalted) {
    Chip chip(Form::Short);
    chip.h.Send(Enter(Form::Short));
    chip.WriteWords(0xF000EDF4, {15});
    EXPECT_EQ(chip.ReadWord(0xF000EDF0) & 0x10000, 0u);
    chip.WriteWords(0xF000EDF0, {0xA05F0003});
    EXPECT_NE(chip.CoreReg(15), 0x7D4u);  // halted, but not by a caught reset
    chip.WriteWords(0xF000EDF0, {0x12340003});  // no debug key: ignored
    EXPECT_NE(chip.ReadWord(0xF000EDF0) & 0x20000, 0u);
}

TEST(DebugPortDevice, RunStartsTheLoaderOnlyFromAMatchingVectorTable) {
    for (bool matching : {true, false}) {
        Chip chip(Form::Long);
        chip.HaltAfterReset();
        chip.WriteWords(0x2A004000, {0x20008000, 0x20004125, 0xDEADBEEF});
        chip.WriteWords(0xF000EDF8, {matching ? 0x20004125u : 0x20004131u});
        chip.WriteWords(0xF000EDF4, {0x1000F});
        chip.WriteWords(0xF000EDF8, {0x20008000});
        chip.WriteWords(0xF000EDF4, {0x10011});
        EXPECT_EQ(chip.WriteWords(0xF000EDF0, {0xA05F0001}), Ack(Form::Long, 0xD3));
        EXPECT_EQ(chip.h.device.CurrentPersonality(),
                  matching ? devsim::PersonalityKind::RamLoader : devsim::PersonalityKind::BootRom);
        if (!matching) continue;
        // The port stays on the line until the leave frame; then the loader has it.
        EXPECT_EQ(chip.h.Send(Leave(Form::Long)), Ack(Form::Long, 0xD0));
        EXPECT_NE(chip.h.Send("\r\n\r\nburn_noerase\r").find("OK"), std::string::npos);
    }
}

TEST(DebugPortDevice, FramesArriveInAnyPiecesAndAStalledFrameIsDropped) {
    Chip chip(Form::Short);
    const std::string enter = Enter(Form::Short);
    std::string answer;
    for (char c : enter) answer += chip.h.Send(std::string(1, c));
    EXPECT_EQ(answer, Ack(Form::Short, 0xD1));

    chip.h.Send(Read(Form::Short, 0x20000000).substr(0, 9));
    chip.h.Advance(1100);
    EXPECT_EQ(chip.h.Send(enter), Ack(Form::Short, 0xD1));
}

std::string SendAndWait(Chip& chip, const std::string& bytes) {
    std::string out = chip.h.Send(bytes);
    return out + chip.h.Advance(20);
}

TEST(DebugPortDevice, NoiseSplitAndLostRepliesAsTheFaultsAsk) {
    devsim::FaultOptions noise;
    noise.garbage = true;
    Chip noisy(Form::Short, noise);
    EXPECT_EQ(noisy.h.Send(Enter(Form::Short)), devsim::kGarbageBytes + Ack(Form::Short, 0xD1));

    {
        Chip chip(Form::Long, {}, {true, 2, 2});
        const std::string first = chip.h.Send(Enter(Form::Long));
        EXPECT_EQ(first, Ack(Form::Long, 0xD1).substr(0, 7));
        EXPECT_EQ(first + chip.h.Advance(20), Ack(Form::Long, 0xD1));
        EXPECT_EQ(SendAndWait(chip, Enter(Form::Long)), "");  // reply 2 is lost
        EXPECT_EQ(SendAndWait(chip, Enter(Form::Long)), Ack(Form::Long, 0xD1));
    }

    devsim::FaultOptions silent;
    silent.silentCommand = "debug_read";
    Chip mute(Form::Short, silent);
    mute.h.Send(Enter(Form::Short));
    EXPECT_EQ(mute.h.Send(Read(Form::Short, 0xF000EDF0)), "");
    EXPECT_EQ(mute.WriteWords(0xF000EDF0, {0xA05F0003}), Ack(Form::Short, 0xD3));
}

TEST(DebugPortDevice, BootModeRequestWhileRunningRestartsUnlessTheDebuggerGoesOn) {
    Chip chip(Form::Short);
    chip.h.Send(Enter(Form::Short));
    EXPECT_EQ(chip.WriteWords(0xFFA57200, {1}), Ack(Form::Short, 0xD3));
    EXPECT_EQ(chip.h.Advance(300), "NVBL");

    Chip held(Form::Short);
    held.h.Send(Enter(Form::Short));
    held.WriteWords(0xFFA57200, {1});
    EXPECT_EQ(held.h.Send(Leave(Form::Short)), Ack(Form::Short, 0xD0));
    EXPECT_EQ(held.h.Advance(300), "");

    Chip halted(Form::Short);
    halted.HaltAfterReset();
    halted.WriteWords(0xFFA57200, {1});
    EXPECT_EQ(halted.ReadWord(0x5000B000) & 1u, 1u);
    EXPECT_EQ(halted.h.Advance(300), "");
}

// The station's boot-mode entry, byte for byte: the handshake holds a device
// in its boot ROM; a running loader or application restarts on R0.
TEST(DebugPortDevice, StationHandshakeAndResetIntoBootMode) {
    const std::string h1("\x7E\x79\x08\x00\x10\x00\x41\x54QMXF\x05\x21", 14);
    const std::string h2("\x7E\x79\x08\x00\x10\x00\x41\x54QMXF\x18\x21", 14);
    const std::string r0("\x7E\x79\x0C\x00\x10\x00\x40\x77\x00\x72\xA5\xFF\x01\x00\x01\x00\x00\x00", 18);
    const std::string r3("\x7E\x79\x0C\x00\x10\x00\x40\x77\x03\x72\xA5\xFF\x01\x00\x01\x00\x00\x00", 18);
    const std::string a1("\x7E\x79\x02\x00\x10\x00\xD1\x06", 8);
    const std::string a2("\x7E\x79\x02\x00\x10\x00\xD3\x06", 8);
    const std::string a3("\x7E\x79\x02\x00\x10\x00\xD0\x06", 8);

    Harness rom("QM2A", devsim::Device::StartMode::BootRom);
    EXPECT_EQ(rom.Send(h1), a1);
    EXPECT_EQ(rom.Send(r0), a2);
    EXPECT_EQ(rom.Send(h2), a3);
    EXPECT_EQ(rom.Advance(500), "");  // held

    for (auto mode : {devsim::Device::StartMode::RamLoader, devsim::Device::StartMode::Firmware}) {
        Harness running("QM2A", mode);
        running.Advance(500);
        EXPECT_EQ(running.Send(h1), a1);
        running.Send(r0);
        EXPECT_EQ(running.Advance(300), "NVBL");
        EXPECT_EQ(running.device.CurrentPersonality(), devsim::PersonalityKind::BootRom);
        EXPECT_EQ(running.Send(h1), a1);
        EXPECT_EQ(running.Send(r3), "");
        EXPECT_EQ(running.Advance(500), "");
    }

    devsim::FaultOptions f;
    f.bannerSplit = true;
    f.bannerRepeat = true;
    devsim::Device device(devsim::DeviceType("QM2A"), rom.clock, f);
    device.Start(devsim::Device::StartMode::BootRom);
    EXPECT_EQ(device.TakeOutputText(), "NV");
    rom.clock.AdvanceUs(devsim::kBannerSplitMs * 1000);
    device.OnTick();
    EXPECT_EQ(device.TakeOutputText(), "BL");
    device.OnBytes(h1);
    EXPECT_EQ(device.TakeOutputText(), "NV");  // the banner again, not A1
    device.OnBytes(h1);
    EXPECT_EQ(device.TakeOutputText(), a1);

    f = {};
    f.bootSilent = true;
    Harness silent("QM2A", devsim::Device::StartMode::BootRom, f);
    EXPECT_EQ(silent.Send(h1 + r0 + h2), "");
}

TEST(DebugPortDevice, FaultListParsing) {
    devsim::DebugPortFaults f;
    ASSERT_TRUE(devsim::ParseDebugPortFaults("split,drop=3-4", f));
    EXPECT_TRUE(f.splitReplies);
    EXPECT_EQ(f.dropFirst, 3);
    EXPECT_EQ(f.dropLast, 4);
    ASSERT_TRUE(devsim::ParseDebugPortFaults("drop=7", f));
    EXPECT_FALSE(f.splitReplies);
    EXPECT_EQ(f.dropLast, 7);
    EXPECT_FALSE(devsim::ParseDebugPortFaults("drop=4-3", f));
    EXPECT_FALSE(devsim::ParseDebugPortFaults("drop=x", f));
    EXPECT_FALSE(devsim::ParseDebugPortFaults("stall", f));
}

}  // namespace
