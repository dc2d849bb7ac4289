#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/burn_list.h"
#include "test_files.h"

namespace {

using common_test::LogCapture;
using common_test::TempDir;

// One Intel HEX line with its checksum.
std::string Record(uint8_t type, uint16_t address, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> bytes = {uint8_t(data.size()), uint8_t(address >> 8), uint8_t(address), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    uint8_t sum = 0;
    std::string line = ":";
    char hex[3];
    for (uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
        sum = uint8_t(sum + b);
    }
    std::snprintf(hex, sizeof hex, "%02X", uint8_t(-sum));
    return line + hex + "\r\n";
}
std::string Base(uint16_t upper) { return Record(4, 0, {uint8_t(upper >> 8), uint8_t(upper)}); }
std::vector<uint8_t> Bytes(uint8_t first, size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(first + i);
    return v;
}
const std::string kEnd = ":00000001FF\r\n";

struct Converted {
    bool ok;
    common::BurnItem entry;
};

Converted Convert(const TempDir& dir, const std::string& name, const std::string& text) {
    common::BurnItem entry;
    entry.path = dir.Write(name, text);
    entry.address = 0x55;
    bool ok = common::HexToBin(entry);
    return {ok, entry};
}

std::string Join(const std::vector<uint8_t>& a, const std::string& gap, const std::vector<uint8_t>& b) {
    return std::string(a.begin(), a.end()) + gap + std::string(b.begin(), b.end());
}

TEST(HexToBin, ForwardJumpIsFilledWithErasedBytes) {
    TempDir dir;
    auto r = Convert(dir, "fw.hex", Base(0x1000) + Record(0, 0x0000, Bytes(1, 16)) + Record(0, 0x0020, Bytes(40, 16)) + kEnd);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.entry.path, dir.Path("fw_hex2bin.bin"));
    EXPECT_EQ(r.entry.address, 0x10000000u);
    EXPECT_EQ(dir.Read("fw_hex2bin.bin"), Join(Bytes(1, 16), std::string(16, '\xFF'), Bytes(40, 16)));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"fw.hex", "fw_hex2bin.bin"}));  // no temp file left
}

TEST(HexToBin, ImageStartsAtFirstDataRecordAndContinuesAcross64KiB) {
    TempDir dir;
    auto r = Convert(dir, "fw.HEX",
                     Base(0x1000) + Record(0, 0xFFE0, Bytes(1, 16)) + Record(0, 0xFFF0, Bytes(17, 16)) + Base(0x1001) +
                         Record(0, 0x0000, Bytes(33, 16)) + kEnd);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.entry.path, dir.Path("fw_hex2bin.bin"));
    EXPECT_EQ(r.entry.address, 0x1000FFE0u);
    EXPECT_EQ(dir.Read("fw_hex2bin.bin"), Join(Bytes(1, 48), "", {}));
}

TEST(HexToBin, SecondSectorElsewhereFailsAndLeavesNoOutput) {
    TempDir dir;
    LogCapture log(dir);
    auto r = Convert(dir, "fw.hex", Base(0x1000) + Record(0, 0, Bytes(1, 16)) + Base(0x1200) + Record(0, 0, Bytes(1, 16)) + kEnd);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(log.Text(), "muti sector, not support !\n");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"fw.hex", "tool.log"}));
}

// An image at address 0 must not make a later sector look like the first one.
TEST(HexToBin, ImageAtZeroStillRejectsAJumpElsewhere) {
    TempDir dir;
    auto r = Convert(dir, "fw.hex", Record(0, 0, Bytes(1, 16)) + Base(0x1200) + Record(0, 0, Bytes(1, 16)));
    EXPECT_FALSE(r.ok);
    auto ok = Convert(dir, "zero.hex", Record(0, 0xFFF0, Bytes(1, 16)) + Base(0x0001) + Record(0, 0, Bytes(17, 4)));
    ASSERT_TRUE(ok.ok);
    EXPECT_EQ(ok.entry.address, 0xFFF0u);
    EXPECT_EQ(dir.Read("zero_hex2bin.bin"), Join(Bytes(1, 20), "", {}));
}

TEST(HexToBin, SkipsForeignLinesAndStopsAtTheEndRecord) {
    TempDir dir;
    std::string text = "; comment\r\n:0000\r\n" + Record(0, 0x100, Bytes(1, 4)) + Record(5, 0, {1, 2, 3, 4}) +
                       Record(0, 0x104, Bytes(5, 4)) + kEnd + Record(0, 0x108, Bytes(9, 4));
    auto r = Convert(dir, "fw.hex", text);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.entry.address, 0x100u);
    EXPECT_EQ(dir.Read("fw_hex2bin.bin"), Join(Bytes(1, 8), "", {}));
}

TEST(HexToBin, RecordBelowTheEndIsAppendedWhereTheFileStands) {
    TempDir dir;
    auto r = Convert(dir, "fw.hex", Record(0, 0x20, Bytes(1, 4)) + Record(0, 0x10, Bytes(5, 4)) + kEnd);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.entry.address, 0x20u);
    EXPECT_EQ(dir.Read("fw_hex2bin.bin"), Join(Bytes(1, 8), "", {}));
}

TEST(HexToBin, OtherFilesAreLeftAlone) {
    TempDir dir;
    common::BurnItem plain;
    plain.path = dir.Write("fw.bin", "abc");
    plain.address = 7;
    EXPECT_TRUE(common::HexToBin(plain));
    EXPECT_EQ(plain.path, dir.Path("fw.bin"));
    EXPECT_EQ(plain.address, 7u);
    common::BurnItem missing;
    missing.path = dir.Path("none.hex");
    EXPECT_TRUE(common::HexToBin(missing));  // the read of the entry reports it
    EXPECT_EQ(missing.path, dir.Path("none.hex"));
}

// Malformed records end the conversion with a log line; nothing is read
// past the line and no output file is left behind.
TEST(HexToBin, MalformedRecordsFailCleanly) {
    struct Case {
        std::string line;
        std::string logPart;
    };
    const std::vector<Case> cases = {
        {":10000000000102030405060708090A0B0C0D0EZZ00\r\n", "bad hex digit"},
        {":0G00000000\r\n", "bad hex digit"},
        {":020000041\r\n", "line ends inside the record"},
        {":10000000\r\n", "byte count 16 runs past the end of the line"},
        {":FF00000000010203\r\n", "byte count 255 runs past the end of the line"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        LogCapture log(dir);
        auto r = Convert(dir, "fw.hex", Record(0, 0, Bytes(1, 4)) + c.line + kEnd);
        EXPECT_FALSE(r.ok) << c.line;
        EXPECT_NE(log.Text().find("X hex file " + dir.Path("fw.hex") + " line 2: " + c.logPart), std::string::npos)
            << log.Text();
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"fw.hex", "tool.log"})) << c.line;
    }
}

TEST(HexToBin, LongLinesArriveInPiecesOf299Characters) {
    TempDir dir;
    // 146 data bytes need 301 characters before the checksum: the cut line
    // lacks its last byte. 145 just fit; the checksum piece is skipped.
    auto r = Convert(dir, "fw.hex", Record(0, 0, Bytes(0, 146)));
    EXPECT_FALSE(r.ok);
    auto ok = Convert(dir, "ok.hex", Record(0, 0, Bytes(0, 145)));
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(dir.Read("ok_hex2bin.bin").size(), 145u);
}

}  // namespace
