#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ini_profile.h"
#include "test_files.h"

namespace {

using common::IniReadInt;
using common::IniReadString;
using common::IniWriteString;
using common_test::TempDir;

TEST(IniProfile, NamesCompareWithoutCaseAndTheFirstMatchWins) {
    TempDir dir;
    const std::string ini = dir.Write("a.ini",
                                      "; comment\r\n[Common_Set]\r\n BAUD = 3000000 \r\nbaud=9600\r\nname=\"quoted\"\r\n"
                                      "[COMMON_SET]\r\nbaud=1\r\nonly=2\r\n[other]\r\nbaud=7\r\n");
    EXPECT_EQ(IniReadString(ini, "common_set", "Baud"), "3000000");
    EXPECT_EQ(IniReadString(ini, "COMMON_SET", "NAME"), "quoted");
    EXPECT_EQ(IniReadString(ini, "common_set", "only"), "2");  // a repeated section is still searched
    EXPECT_EQ(IniReadString(ini, "other", "baud"), "7");
    EXPECT_EQ(IniReadString(ini, "other", "absent", "dflt"), "dflt");
    EXPECT_EQ(IniReadString(dir.Path("none.ini"), "other", "baud", "dflt"), "dflt");
}

TEST(IniProfile, IntegersAreTheLeadingDigits) {
    TempDir dir;
    const std::string ini = dir.Write("a.ini", "[s]\nnum=12abc\nneg=-3\nword=abc\nhex=0x10\nempty=\n");
    EXPECT_EQ(IniReadInt(ini, "s", "num", 5), 12);
    EXPECT_EQ(IniReadInt(ini, "s", "neg", 5), -3);
    EXPECT_EQ(IniReadInt(ini, "s", "word", 5), 0);
    EXPECT_EQ(IniReadInt(ini, "s", "hex", 5), 0);
    EXPECT_EQ(IniReadInt(ini, "s", "empty", 5), 0);
    EXPECT_EQ(IniReadInt(ini, "s", "absent", 5), 5);
}

TEST(IniProfile, WritingOneKeyKeepsEverythingElse) {
    TempDir dir;
    const std::string ini = dir.Write("a.ini", "; head\r\n[a]\r\nx=1\r\ny=2\r\n\r\n[b]\r\nx=3\r\n");
    ASSERT_TRUE(IniWriteString(ini, "A", "X", "10"));
    ASSERT_TRUE(IniWriteString(ini, "a", "z", "new"));
    ASSERT_TRUE(IniWriteString(ini, "c", "k", "v"));
    EXPECT_EQ(dir.Read("a.ini"), "; head\r\n[a]\r\nx=10\r\ny=2\r\nz=new\r\n\r\n[b]\r\nx=3\r\n[c]\r\nk=v\r\n");
    EXPECT_EQ(IniReadString(ini, "b", "x"), "3");
    // The file is replaced whole: no temp file stays beside it.
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.ini"});

    ASSERT_TRUE(IniWriteString(dir.Path("fresh.ini"), "s", "k", "v"));
    EXPECT_EQ(IniReadString(dir.Path("fresh.ini"), "S", "K"), "v");
    EXPECT_FALSE(IniWriteString(dir.Path("no/dir.ini"), "s", "k", "v"));
}

// Editors put a byte-order mark before the first section; values keep ";".
TEST(IniProfile, ByteOrderMarkIsSkippedAndKeptOnWrite) {
    TempDir dir;
    const std::string ini = dir.Write("burn.txt", "\xEF\xBB\xBF[FILEINFO]\r\nNUM=2\r\nFILE0=a;b.bin\r\n");
    EXPECT_EQ(IniReadInt(ini, "FILEINFO", "NUM", 0), 2);
    EXPECT_EQ(IniReadString(ini, "FILEINFO", "FILE0"), "a;b.bin");
    ASSERT_TRUE(IniWriteString(ini, "FILEINFO", "NUM", "1"));
    EXPECT_EQ(dir.Read("burn.txt"), "\xEF\xBB\xBF[FILEINFO]\r\nNUM=1\r\nFILE0=a;b.bin\r\n");
}

}  // namespace
