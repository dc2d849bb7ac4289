#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "pirrow/debug_ram_load.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"
#include "tests/unit/pirrow/debug_rom_script.h"

namespace {

using debug_test::Access;
using debug_test::DebugRomScript;
using debug_test::Form;
using pirrow::DebugFrameForm;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

// A loader image: stack pointer, entry, then a counting pattern.
std::string LoaderImage(size_t size, uint32_t msp, uint32_t entry) {
    std::string image(size, '\0');
    for (size_t i = 8; i < size; ++i) image[i] = char(i * 13 + 1);
    for (int i = 0; i < 4 && size >= 8; ++i) {
        image[size_t(i)] = char(msp >> (8 * i));
        image[size_t(4 + i)] = char(entry >> (8 * i));
    }
    return image;
}

struct RamLoadTest : ::testing::Test {
    void Use(Form form) {
        rom = std::make_unique<DebugRomScript>(form);
        f.onWrite = [this](ScriptedLink& l, const std::string& c) { rom->OnWrite(l, c); };
        f.session.link.Open("ttyTEST", 1000000);
        port = std::make_unique<pirrow::DebugPort>(
            f.session, form == Form::Short ? DebugFrameForm::Short : DebugFrameForm::Long, 1000000);
    }
    std::string WriteImage(const std::string& bytes) {
        path = "/tmp/ram_loader_" + std::to_string(getpid()) + ".bin";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    void TearDown() override {
        if (!path.empty()) std::remove(path.c_str());
    }
    bool Load(const std::string& image) {
        WriteImage(image);
        return pirrow::DownLoadFileRam(*port, path, loaded);
    }
    std::vector<Access> Writes() const {
        std::vector<Access> w;
        for (const Access& a : rom->accesses)
            if (a.write) w.push_back(a);
        return w;
    }

    ScriptedSession f;
    std::unique_ptr<DebugRomScript> rom;
    std::unique_ptr<pirrow::DebugPort> port;
    pirrow::RamImage loaded;
    std::string path;
};

TEST_F(RamLoadTest, ImageGoesToTheEntrysPageInWholePiecesThenTheRemainder) {
    Use(Form::Short);
    ASSERT_TRUE(Load(LoaderImage(4100, 0x20008000, 0x20004125)));
    EXPECT_EQ(loaded.base, 0x20004000u);
    EXPECT_EQ(loaded.entry, 0x20004125u);
    EXPECT_EQ(loaded.msp, 0x20008000u);
    const std::vector<Access> w = Writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].bus, 0x20004000u);
    EXPECT_EQ(w[0].words.size(), 1024u);
    EXPECT_EQ(w[0].words[0], 0x20008000u);
    EXPECT_EQ(w[0].words[1], 0x20004125u);
    EXPECT_EQ(w[1].bus, 0x20005000u);
    EXPECT_EQ(w[1].words.size(), 1u);
}

TEST_F(RamLoadTest, SizeNotAWholeWordIsRoundedUpWithZeroPadding) {
    Use(Form::Long);
    const std::string image = LoaderImage(4097, 0x20008000, 0x20004125);
    ASSERT_TRUE(Load(image));
    const std::vector<Access> w = Writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].bus, 0x2A004000u);  // the long form's bus address of RAM
    EXPECT_EQ(w[0].words[1], 0x20004125u);  // big-endian on the line, the same value
    EXPECT_EQ(w[1].bus, 0x2A005000u);
    EXPECT_EQ(w[1].words, std::vector<uint32_t>{uint8_t(image[4096])});
}

TEST_F(RamLoadTest, ShortFormRetriesAPieceOnceLongFormNever) {
    Use(Form::Short);
    int secondPieceTries = 0;
    rom->answer = [&](const Access& a) { return !(a.bus == 0x20005000 && ++secondPieceTries == 1); };
    EXPECT_TRUE(Load(LoaderImage(3 * 4096, 0x20008000, 0x20004001)));
    EXPECT_EQ(secondPieceTries, 2);
    EXPECT_EQ(Writes().size(), 4u);

    rom->answer = [](const Access& a) { return a.bus != 0x20005000; };
    rom->accesses.clear();
    EXPECT_FALSE(Load(LoaderImage(3 * 4096, 0x20008000, 0x20004001)));
    EXPECT_EQ(Writes().size(), 3u);  // the third piece is never sent
}

TEST_F(RamLoadTest, LongFormStopsAtTheFirstFailedPiece) {
    Use(Form::Long);
    rom->answer = [](const Access& a) { return a.bus != 0x2A005000; };
    EXPECT_FALSE(Load(LoaderImage(3 * 4096, 0x20008000, 0x20004001)));
    EXPECT_EQ(Writes().size(), 2u);
}

TEST_F(RamLoadTest, UnusableImagesAreRejectedBeforeAnythingIsWritten) {
    struct Case {
        Form form;
        std::string image;
        const char* logPart;
    };
    const Case cases[] = {
        {Form::Short, std::string(7, '\x20'), "too short for its vector table"},
        {Form::Short, LoaderImage(64, 0x20008000, 0x10020001), "outside RAM"},          // entry in flash
        {Form::Short, LoaderImage(8192, 0x20100000, 0x200FF001), "outside RAM"},        // runs past the RAM end
        {Form::Long, LoaderImage(64, 0x20008000, 0x200C8001), "outside RAM"},           // just past the first block
        {Form::Long, LoaderImage(64, 0x20008000, 0x00001001), "outside RAM"},           // boot ROM
    };
    for (const Case& c : cases) {
        Use(c.form);
        const size_t logBefore = f.Log().size();
        EXPECT_FALSE(Load(c.image));
        EXPECT_TRUE(Writes().empty());
        const std::string log = f.Log().substr(logBefore);
        EXPECT_NE(log.find("X RAM loader "), std::string::npos);
        EXPECT_NE(log.find(c.logPart), std::string::npos) << c.logPart << "\n" << log;
    }
    Use(Form::Long);
    ASSERT_TRUE(Load(LoaderImage(64, 0x20C10000, 0x20C00001)));  // the 128 KiB block is RAM too
}

TEST_F(RamLoadTest, MissingImageSaysOpenErrorOnTheConsole) {
    Use(Form::Short);
    testing_support::CaptureStdout out;
    EXPECT_FALSE(pirrow::DownLoadFileRam(*port, "/tmp/no/such/loader.bin", loaded));
    EXPECT_EQ(out.Finish(), "/tmp/no/such/loader.bin open error\n");
    EXPECT_TRUE(Writes().empty());
}

}  // namespace
