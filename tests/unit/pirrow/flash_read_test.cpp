#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "common/image_crc.h"
#include "pirrow/flash_read.h"
#include "pirrow/jobs.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"
#include "tests/unit/common/test_files.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string CrcLine(uint32_t crc) {
    char line[32];
    std::snprintf(line, sizeof line, "CRC:0x%08x\r\n", crc);
    return line;
}

// A loader holding `data` at 0x10000000; it answers "burn_read" with the
// start text, the data in `pieces` reads, then `tail` (OK and the CRC line).
struct ReadJob : ::testing::Test {
    ScriptedSession f;
    std::string data;
    std::string startText = "start_trans\r\n";
    std::string tail;
    int pieces = 1;
    common_test::TempDir scratch;
    common_test::ScopedCurrentDirectory inScratch{scratch.path()};

    void SetUp() override {
        ASSERT_TRUE(inScratch.ok());
        f.session.settings.readAddr = 0x10000000;
        f.onWrite = [this](ScriptedLink& link, const std::string& w) {
            if (w.rfind("burn_speed", 0) == 0) link.Reply("OK\r\n", 1);
            if (w.rfind("burn_read", 0) != 0) return;
            link.Reply(startText, 5);
            const size_t step = data.size() / pieces;
            for (int p = 0; p < pieces; ++p) {
                const size_t end = p + 1 == pieces ? data.size() : (p + 1) * step;
                link.Reply(data.substr(p * step, end - p * step) + (p + 1 == pieces ? tail : ""), 40 + 20 * p);
            }
        };
    }
    void Holds(size_t n) {
        data.clear();
        for (size_t i = 0; i < n; ++i) data += char(i * 7 + 1);
        f.session.settings.readLen = uint32_t(n);
        tail = "\r\nOK\r\n" + CrcLine(common::ImageCrc(reinterpret_cast<const uint8_t*>(data.data()), n));
    }
};

TEST_F(ReadJob, WithoutFileNameEachFullLineGoesToTheConsole) {
    Holds(0x400);
    pieces = 3;
    CaptureStdout out;
    ASSERT_TRUE(pirrow::ReadUart(f.session));
    const std::string console = out.Finish();
    EXPECT_EQ(std::count(console.begin(), console.end(), '\n'), 64);
    EXPECT_EQ(console.substr(0, 58), "10000000  01 08 0F 16 1D 24 2B 32 39 40 47 4E 55 5C 63 6A\n");
    EXPECT_NE(console.find("\n100003f0  "), std::string::npos);
    EXPECT_EQ(FileText("testdata.bin"), data);
    EXPECT_EQ(f.link().written, "burn_read 0x10000000 0x00000400\r");
    const std::string log = f.Log();
    EXPECT_NE(log.find("read 0x10000000 0x00000400\n"), std::string::npos);
    EXPECT_NE(log.find("    data trans start\n"), std::string::npos);
    EXPECT_NE(log.find("receive 1024, total 1024!\n"), std::string::npos);
    EXPECT_NE(log.find("    data trans over\n"), std::string::npos);
    EXPECT_NE(log.find("ReadUart success \n"), std::string::npos);
}

TEST_F(ReadJob, PartialLastLineStaysInTheFileOnly) {
    Holds(20);
    CaptureStdout out;
    ASSERT_TRUE(pirrow::ReadUart(f.session));
    EXPECT_EQ(out.Finish(), "10000000  01 08 0F 16 1D 24 2B 32 39 40 47 4E 55 5C 63 6A\n");
    EXPECT_EQ(FileText("testdata.bin"), data);
}

TEST_F(ReadJob, NamedFileAtWorkingRateAndNoResetAfterwards) {
    Holds(0x400);
    f.session.settings.fileArg = "out.bin";
    f.session.settings.baud = 3000000;
    f.session.settings.postAct = 1;
    CaptureStdout out;
    ASSERT_TRUE(pirrow::ReadUart(f.session));
    EXPECT_EQ(out.Finish(), "");
    EXPECT_EQ(FileText("out.bin"), data);
    EXPECT_EQ(f.link().written, "burn_speed 3000000 1000\rburn_read 0x10000000 0x00000400\rburn_speed 1000000 1000\r");
    EXPECT_FALSE(f.link().IsOpen());
}

TEST_F(ReadJob, TextArrivingWithTheStartIsNotData) {
    Holds(32);
    startText = "start_trans\r\nxx";
    EXPECT_TRUE(pirrow::ReadUart(f.session));
    EXPECT_EQ(FileText("testdata.bin"), data);

    // Data glued to the start text is lost to the text: the read times out.
    Holds(32);
    startText = "start_trans\r\n" + data;
    data.clear();
    tail.clear();
    const size_t logBefore = f.Log().size();
    EXPECT_FALSE(pirrow::ReadUart(f.session));
    EXPECT_EQ(f.Log().find("receive ", logBefore), std::string::npos);
    EXPECT_EQ(FileText("testdata.bin"), "");
}

TEST_F(ReadJob, ShortTransferTimesOutAndKeepsWhatArrived) {
    Holds(0x400);
    data.resize(100);
    tail.clear();
    f.session.settings.baud = 3000000;
    CaptureStdout out;
    EXPECT_FALSE(pirrow::ReadUart(f.session));
    EXPECT_EQ(FileText("testdata.bin"), data);
    // 100 bytes make six full lines; the console shows them even on failure.
    const std::string console = out.Finish();
    EXPECT_EQ(std::count(console.begin(), console.end(), '\n'), 6);
    EXPECT_NE(f.Log().find("receive 100, total 1024!\n"), std::string::npos);
    EXPECT_NE(f.Log().find("ReadUart fail \n"), std::string::npos);
    // The loader is still handed back at its starting rate.
    EXPECT_EQ(f.link().writes.back(), "burn_speed 1000000 1000\r");
}

TEST_F(ReadJob, StartFailures) {
    Holds(16);
    startText = "burn_read error Fail\r\n";
    EXPECT_FALSE(pirrow::ReadUart(f.session));
    EXPECT_LT(f.clock.NowMs(), 100u);
    EXPECT_NE(f.Log().find("R: burn_read error Fail\r\n\n"), std::string::npos);

    startText = "";
    const uint64_t before = f.clock.NowMs();
    EXPECT_FALSE(pirrow::ReadUart(f.session));
    EXPECT_EQ(f.clock.NowMs() - before, 5000u);
    EXPECT_NE(access("testdata.bin", F_OK), 0);
}

struct TailCase {
    const char* name;
    std::string tail;
    const char* logLine;
};

TEST_F(ReadJob, ChecksumLineMustMatchInItsOwnForm) {
    Holds(64);
    f.session.settings.fileArg = "out.bin";
    const uint32_t crc = common::ImageCrc(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    char digits[16], mismatch[80];
    std::snprintf(digits, sizeof digits, "%08x", crc);
    std::snprintf(mismatch, sizeof mismatch, "crc1 (0x00000000) != crc2 (0x%08x)\n", crc);
    char swapped[80];
    std::snprintf(swapped, sizeof swapped, "crc1 (0x%08x) != crc2 (0x%08x)\n", crc ^ 1, crc);
    const TailCase cases[] = {
        {"digits without 0x read as 0", std::string("OK\r\nCRC:") + digits + "\r\n", mismatch},
        {"loader value first", "OK\r\n" + CrcLine(crc ^ 1), swapped},
        {"no CRC line", "OK\r\n", "not receive CRC\n"},
        {"no OK", CrcLine(crc), "not receive OK\n"},
    };
    for (const TailCase& c : cases) {
        SCOPED_TRACE(c.name);
        tail = c.tail;
        EXPECT_FALSE(pirrow::ReadUart(f.session));
        EXPECT_NE(f.Log().find(c.logLine), std::string::npos);
    }
}

TEST_F(ReadJob, MalformedChecksumFailsEvenWhenItReadsAsTheDataChecksum) {
    // All-zero data has checksum 0, which is also what "CRC:" without "0x" reads as.
    Holds(64);
    data.assign(64, '\0');
    f.session.settings.fileArg = "out.bin";
    tail = "OK\r\nCRC:00000000\r\n";
    EXPECT_FALSE(pirrow::ReadUart(f.session));
    EXPECT_NE(f.Log().find("X CRC field is not 0x and eight hex digits\n"), std::string::npos);
}

TEST(LoaderCrcField, ReadsTenCharactersFromTheLastBackwards) {
    pirrow::LoaderCrc crc = pirrow::FindLoaderCrc("OK\r\nCRC:0x1234ABcd\r\n");
    EXPECT_TRUE(crc.found && crc.wellFormed);
    EXPECT_EQ(crc.value, 0x1234abcdu);
    crc = pirrow::FindLoaderCrc("CRC:0x12");  // cut off: the end of the text ends the digits
    EXPECT_FALSE(crc.wellFormed);
    EXPECT_EQ(crc.value, 0u);
    crc = pirrow::FindLoaderCrc("CRC:zz0000abcd");  // only the last ten characters count
    EXPECT_FALSE(crc.wellFormed);
    EXPECT_EQ(crc.value, 0xabcdu);
    EXPECT_FALSE(pirrow::FindLoaderCrc("crc:0x00000000").found);
}

}  // namespace
