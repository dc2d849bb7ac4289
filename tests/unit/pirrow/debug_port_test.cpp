#include <gtest/gtest.h>

#include "pirrow/debug_port.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"
#include "tests/unit/pirrow/debug_rom_script.h"

namespace {

using debug_test::DebugRomScript;
using debug_test::Form;
using pirrow::Bytes;
using pirrow::DebugFrameForm;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

struct DebugPortFixture {
    explicit DebugPortFixture(Form form)
        : rom(form), port(f.session, form == Form::Short ? DebugFrameForm::Short : DebugFrameForm::Long, 1000000) {
        f.onWrite = [this](ScriptedLink& l, const std::string& c) {
            if (scripted) rom.OnWrite(l, c);
        };
        f.session.link.Open("ttyTEST", 1000000);
    }
    uint64_t ElapsedMs(uint64_t fromUs) { return (f.clock.NowUs() - fromUs) / 1000; }

    ScriptedSession f;
    DebugRomScript rom;
    bool scripted = true;
    pirrow::DebugPort port;
};

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

const std::string kEnterReplyShort("\x7E\x79\x02\x00\x10\x00\xD1\x06", 8);

TEST(DebugExpect, StrayBootTextBeforeTheReplyIsDroppedAndWhatFollowsStaysQueued) {
    DebugPortFixture x(Form::Short);
    // The stray text holds a lone 0x7E that starts a false match.
    x.f.link().Reply("NVBL\r\n\x7E#x\x7E\x79" + kEnterReplyShort + "rest");
    const Bytes pattern(kEnterReplyShort.begin(), kEnterReplyShort.end());
    Bytes got;
    ASSERT_TRUE(x.port.DebugExpect(8, &pattern, 500, &got));
    EXPECT_EQ(Str(got), kEnterReplyShort);
    EXPECT_EQ(x.f.link().QueuedBytes(), 4u);
}

TEST(DebugExpect, ReplySplitAcrossReadsMatchesOnceItsTailArrives) {
    DebugPortFixture x(Form::Short);
    x.f.link().Reply("noise" + kEnterReplyShort.substr(0, 3));
    x.f.link().Reply(kEnterReplyShort.substr(3), 120);
    const Bytes pattern(kEnterReplyShort.begin(), kEnterReplyShort.end());
    const uint64_t start = x.f.clock.NowUs();
    EXPECT_TRUE(x.port.DebugExpect(8, &pattern, 500));
    EXPECT_GE(x.ElapsedMs(start), 120u);
    EXPECT_LT(x.ElapsedMs(start), 500u);
}

TEST(DebugExpect, TimeLimitRunsFromTheCallEvenWhileNoiseKeepsArriving) {
    DebugPortFixture x(Form::Short);
    for (uint32_t t = 0; t < 2000; t += 20) x.f.link().Reply("garbage-without-frame", t);
    const Bytes pattern(kEnterReplyShort.begin(), kEnterReplyShort.end());
    const uint64_t start = x.f.clock.NowUs();
    EXPECT_FALSE(x.port.DebugExpect(8, &pattern, 500));
    EXPECT_GE(x.ElapsedMs(start), 500u);
    EXPECT_LE(x.ElapsedMs(start), 510u);
}

TEST(DebugExpect, WithoutPatternTheFirstBytesAreTheResult) {
    DebugPortFixture x(Form::Short);
    x.f.link().Reply("ABCDEF");
    Bytes got;
    ASSERT_TRUE(x.port.DebugExpect(4, nullptr, 100, &got));
    EXPECT_EQ(Str(got), "ABCD");
}

TEST(DebugReadWord, ReadsAWordInEachFormsByteOrder) {
    for (Form form : {Form::Short, Form::Long}) {
        DebugPortFixture x(form);
        x.rom.readValue = [](uint32_t bus) { return bus == 0x2A004000 || bus == 0x20004000 ? 0x12345678u : 0u; };
        std::optional<uint32_t> v = x.port.DebugReadWord(0x20004000);
        ASSERT_TRUE(v);
        EXPECT_EQ(*v, 0x12345678u);
        ASSERT_EQ(x.rom.accesses.size(), 1u);
        EXPECT_EQ(x.rom.accesses[0].bus, form == Form::Short ? 0x20004000u : 0x2A004000u);
    }
}

TEST(DebugReadWord, EachMissingOrWrongPartOfTheReplyHasItsErrorCode) {
    struct Case {
        Form form;
        std::string reply;  // what the device answers, built below
        const char* logLine;
    };
    DebugRomScript shortRom(Form::Short), longRom(Form::Long);
    const std::string shortFull = shortRom.ReadReply(7);
    const std::string longFull = longRom.ReadReply(7);
    const Case cases[] = {
        {Form::Short, "", " (ReadMem 0xf000edf0 0x4 err:1)  \n"},
        {Form::Short, shortFull.substr(0, 9), " (ReadMem 0xf000edf0 0x4 err:4)  \n"},
        {Form::Short, shortFull.substr(0, 11), " (ReadMem 0xf000edf0 0x4 err:10)  \n"},
        {Form::Short, shortFull.substr(0, 11) + "\x15", " (ReadMem 0xf000edf0 0x4 err:8)  \n"},
        {Form::Long, "", " (ReadMem 0xf000edf0 0x4 err:1) \n"},
        {Form::Long, longFull.substr(0, 17) + "\x15", " (ReadMem 0xf000edf0 0x4 err:8) \n"},
    };
    for (const Case& c : cases) {
        DebugPortFixture x(c.form);
        x.scripted = false;
        x.f.onWrite = [&](ScriptedLink& l, const std::string&) { l.Reply(c.reply, 1); };
        x.f.links.back()->onWrite = x.f.onWrite;
        EXPECT_FALSE(x.port.DebugReadWord(pirrow::kDhcsr));
        EXPECT_NE(x.f.Log().find(c.logLine), std::string::npos) << c.logLine << "\nlog:\n" << x.f.Log();
    }
}

TEST(DebugWriteMem, HeaderAndDataGoAsTwoWritesAndAnUnansweredWriteFailsAfterItsLimit) {
    DebugPortFixture x(Form::Long);
    std::vector<uint8_t> piece(4096, 0xAB);
    ASSERT_TRUE(x.port.DebugWriteMem(0x20004000, piece.data(), piece.size()));
    ASSERT_GE(x.f.link().writes.size(), 2u);
    EXPECT_EQ(x.f.link().writes[0].size(), 20u);
    EXPECT_EQ(x.f.link().writes[1].size(), 4096u);

    x.rom.answer = [](const debug_test::Access&) { return false; };
    uint64_t start = x.f.clock.NowUs();
    EXPECT_FALSE(x.port.DebugWriteMem(0x20004000, piece.data(), piece.size()));
    EXPECT_EQ(x.ElapsedMs(start), 1000u);  // 4096 / 51200 + 1 seconds
    EXPECT_NE(x.f.Log().find(" (WriteMem 0x2a004000 0x1000 err) \n"), std::string::npos);

    std::vector<uint8_t> big(51200, 0);
    start = x.f.clock.NowUs();
    EXPECT_FALSE(x.port.DebugWriteMem(0x20004000, big.data(), big.size()));
    EXPECT_EQ(x.ElapsedMs(start), 2000u);
}

TEST(DebugWriteMem, ShortFormResetRequestFollowsTheChipBackToTheLoaderRate) {
    DebugPortFixture x(Form::Short);
    x.port.SetCurrentBaud(3000000);
    x.rom.answer = [](const debug_test::Access& a) { return a.bus != 0xF000ED0C; };  // the chip resets instead
    const uint64_t start = x.f.clock.NowUs();
    EXPECT_TRUE(x.port.DebugWriteWord(0xF000ED0C, 0x05FA0004));
    EXPECT_GE(x.ElapsedMs(start), 1500u);
    EXPECT_LT(x.ElapsedMs(start), 2100u);
    EXPECT_EQ(x.f.link().bauds, std::vector<int>{1000000});
    EXPECT_EQ(x.port.CurrentBaud(), 1000000);
    EXPECT_EQ(x.rom.enters, 1);  // the debug port is woken again
    EXPECT_EQ(x.f.link().writes.back(), Str(pirrow::EnterDebugFrame(DebugFrameForm::Short)));
}

TEST(DebugWriteMem, OtherWritesToTheResetRegisterAwaitTheirReply) {
    // A value without bit 26, and the long form, both wait like any write.
    DebugPortFixture shortForm(Form::Short);
    shortForm.rom.answer = [](const debug_test::Access&) { return false; };
    EXPECT_FALSE(shortForm.port.DebugWriteWord(0xF000ED0C, 0x00000004));
    EXPECT_TRUE(shortForm.f.link().bauds.empty());

    DebugPortFixture longForm(Form::Long);
    EXPECT_TRUE(longForm.port.DebugWriteWord(0xF000ED0C, 0x05FA0004));
    EXPECT_TRUE(longForm.f.link().bauds.empty());
    EXPECT_EQ(longForm.rom.enters, 0);
}

TEST(CoreRegs, ReadWaitsForRegisterReadyAndGivesUpAfterTwentyReads) {
    DebugPortFixture x(Form::Long);
    uint32_t selector = 0;
    x.rom.answer = [&](const debug_test::Access& a) {
        if (a.write && a.bus == 0xF000EDF4) selector = a.words[0];
        return true;
    };
    int dhcsrReads = 0;
    x.rom.readValue = [&](uint32_t bus) -> uint32_t {
        if (bus == 0xF000EDF0) return ++dhcsrReads % 3 == 0 ? 0x00030003u : 0x00020003u;  // ready every third read
        if (bus == 0xF000EDF8) return selector == 15 ? 0x7D4u : 0x20001000u;
        return 0;
    };
    std::optional<pirrow::CoreRegs> regs = x.port.ReadCoreRegs();
    ASSERT_TRUE(regs);
    EXPECT_EQ(regs->pc, 0x7D4u);
    EXPECT_EQ(regs->msp, 0x20001000u);

    x.rom.readValue = [](uint32_t) { return 0x00020003u; };  // never ready
    const size_t before = x.rom.accesses.size();
    EXPECT_FALSE(x.port.ReadCoreRegs());
    EXPECT_EQ(x.rom.ReadsOf(0xF000EDF0) - dhcsrReads, 20);
    EXPECT_EQ(x.rom.accesses.size() - before, 21u);  // DCRSR write, then the 20 reads
    EXPECT_NE(x.f.Log().find("ReadReg error: "), std::string::npos);
}

TEST(CoreRegs, WriteSendsValueThenSelectorWithTheWriteBitAndStopsWhenNeverReady) {
    DebugPortFixture x(Form::Short);
    x.rom.readValue = [](uint32_t) { return 0x00010000u; };
    ASSERT_TRUE(x.port.WriteCoreRegs({0x20004125, 0x20008000}));
    ASSERT_EQ(x.rom.accesses.size(), 6u);
    EXPECT_EQ(x.rom.accesses[0].bus, 0xF000EDF8u);
    EXPECT_EQ(x.rom.accesses[0].words, std::vector<uint32_t>{0x20004125});
    EXPECT_EQ(x.rom.accesses[1].bus, 0xF000EDF4u);
    EXPECT_EQ(x.rom.accesses[1].words, std::vector<uint32_t>{0x1000F});
    EXPECT_EQ(x.rom.accesses[3].words, std::vector<uint32_t>{0x20008000});
    EXPECT_EQ(x.rom.accesses[4].words, std::vector<uint32_t>{0x10011});

    x.rom.readValue = [](uint32_t) { return 0u; };
    EXPECT_FALSE(x.port.WriteCoreRegs({1, 2}));
    EXPECT_EQ(x.rom.ReadsOf(0xF000EDF0), 2 + 20);
    EXPECT_NE(x.f.Log().find(" (WriteReg err (DHCSR))  \n"), std::string::npos);
}

TEST(EnterDebugMode, UnansweredEnterIsTriedTwiceWithTheCurrentRateInBothLines) {
    DebugPortFixture x(Form::Short);
    x.rom.answerEnter = false;
    x.port.SetCurrentBaud(3000000);
    const uint64_t start = x.f.clock.NowUs();
    testing_support::CaptureStdout out;
    EXPECT_FALSE(x.port.EnterDebugMode());
    EXPECT_EQ(out.Finish(), "EnterDebugMode error: curbaund (3000000)\nEnterDebugMode retry error: curbaund (3000000)\n");
    EXPECT_EQ(x.rom.enters, 2);
    EXPECT_LE(x.ElapsedMs(start), 1600u);
    const std::string log = x.f.Log();
    EXPECT_NE(log.find("EnterDebugMode error: curbaund (3000000)\n"), std::string::npos);
    EXPECT_NE(log.find("EnterDebugMode retry error: curbaund (3000000)\n"), std::string::npos);
}

TEST(EnterDebugMode, ClosedPortFailsWithTheRetryLine) {
    DebugPortFixture x(Form::Long);
    x.f.session.link.Close();
    testing_support::CaptureStdout out;
    EXPECT_FALSE(x.port.EnterDebugMode());
    out.Finish();
    EXPECT_NE(x.f.Log().find("EnterDebugMode retry error: curbaund (1000000)\n"), std::string::npos);
}

}  // namespace
