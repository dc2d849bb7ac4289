#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "common/burn_list.h"
#include "common/compressed_image.h"
#include "common/image_crc.h"
#include "test_files.h"

namespace {

using common_test::LogCapture;
using common_test::ScopedCurrentDirectory;
using common_test::TempDir;

uint32_t Crc(const std::string& s) { return common::ImageCrc(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

// A compressed image file of one block stored as is.
std::vector<uint8_t> StoredImage(const std::string& raw, uint32_t storedLength) {
    std::vector<uint8_t> file(24);
    common::WriteLe32(&file[0], uint32_t(raw.size()));
    common::WriteLe32(&file[4], 1);
    common::WriteLe32(&file[8], Crc(raw) ^ 0x5A5A);  // the stored value is taken, not recomputed
    common::WriteLe32(&file[12], uint32_t(raw.size()));
    common::WriteLe32(&file[16], storedLength);
    common::WriteLe32(&file[20], Crc(raw));
    file.insert(file.end(), raw.begin(), raw.end());
    return file;
}

struct ListRun {
    bool ok;
    common::BurnList list;
    std::string log;
};

ListRun Read(const TempDir& dir, const std::string& listText, const std::string& device = "QM2B") {
    LogCapture log(dir);
    common::BurnList list;
    list.ramLoaderPath = "/given/driver.bin";
    list.sigKeyPath = "/given/key.der";
    bool ok = common::GetBurnList(dir.Write("burn.txt", listText), device, list);
    return {ok, list, log.Text()};
}

TEST(GetBurnList, CountOutsideOneToTwentyFails) {
    TempDir dir;
    EXPECT_EQ(Read(dir, "[FILEINFO]\r\nNUM=0\r\n").log, "error: no file found \n");
    EXPECT_EQ(Read(dir, "[FILEINFO]\r\nFILE0=a.bin\r\n").log, "error: no file found \n");
    EXPECT_EQ(Read(dir, "[FILEINFO]\r\nNUM=-1\r\n").log, "error: no file found \n");
    auto many = Read(dir, "[FILEINFO]\r\nNUM=21\r\n");
    EXPECT_FALSE(many.ok);
    EXPECT_EQ(many.log, "error: too many files > 20 \n");

    LogCapture log(dir);
    common::BurnList list;
    EXPECT_FALSE(common::GetBurnList(dir.Path("absent.txt"), "QM2B", list));
    EXPECT_EQ(log.Text(), "X cannot open burn list " + dir.Path("absent.txt") +
                              ": No such file or directory\nerror: no file found \n");
}

TEST(GetBurnList, ReadsPlainCompressedAndRecordEntries) {
    TempDir dir;
    dir.Write("app.bin", "application");
    std::string raw(100, 'r');
    dir.Write("res.gz", StoredImage(raw, 100));
    dir.Write("BLE_SN_3.bin", std::string("\x01\x06\x01\x02\x03\x04\x05\x06\xff", 9));
    dir.Write("empty.bin", "");
    auto r = Read(dir, "[FILEINFO]\r\nNUM=4\r\nADDR0=0x10020000\r\nFILE0=" + dir.Path("app.bin") +
                           "\r\nADDR1=0xFFFFFFFF\r\nFILEGZIP1=" + dir.Path("res.gz") + "\r\nFILE1=" + dir.Path("app.bin") +
                           "\r\nADDR2=268566528\r\nFILE2=" + dir.Path("BLE_SN_3.bin") + "\r\nFILE3=" + dir.Path("empty.bin") +
                           "\r\n");
    ASSERT_TRUE(r.ok) << r.log;
    ASSERT_EQ(r.list.items.size(), 4u);
    const auto& plain = r.list.items[0];
    EXPECT_EQ(plain.address, 0x10020000u);
    EXPECT_EQ(plain.size, 11u);
    EXPECT_EQ(plain.crc, Crc("application"));
    EXPECT_FALSE(plain.compressed);
    const auto& packed = r.list.items[1];
    EXPECT_EQ(packed.address, common::kSkipAddress);
    EXPECT_TRUE(packed.compressed);
    EXPECT_EQ(packed.path, dir.Path("res.gz"));
    EXPECT_EQ(packed.size, 124u);
    EXPECT_EQ(packed.crc, Crc(raw) ^ 0x5A5A);
    EXPECT_EQ(r.list.items[2].address, 0x10020000u);  // decimal form
    EXPECT_EQ(r.list.items[2].size, 9u);
    EXPECT_EQ(r.list.items[3].address, 0u);  // no ADDR3
    EXPECT_EQ(r.list.items[3].size, 0u);
    // Plain entries count their file size, compressed ones their image length.
    EXPECT_EQ(r.list.progressTotal, 11u + 100u + 9u + 0u);
    EXPECT_EQ(r.log, "RAM_PATCH: ram_patch.bin\nSIG_PUB: sig_pub.der\n");
    EXPECT_EQ(r.list.ramLoaderPath, "ram_patch.bin");
    EXPECT_EQ(r.list.sigKeyPath, "sig_pub.der");
}

TEST(GetBurnList, LoaderAndKeyFromThePresetOrTheDeviceDefault) {
    TempDir dir;
    dir.Write("a.bin", "a");
    const std::string entries = "[FILEINFO]\r\nNUM=1\r\nFILE0=" + dir.Path("a.bin") + "\r\n";
    auto preset = Read(dir, entries + "[UART_PRESET]\r\nRAM_PATCH=/x/loader.bin\r\nSIG_PUB=/x/key.der\r\n");
    EXPECT_EQ(preset.list.ramLoaderPath, "/x/loader.bin");
    EXPECT_EQ(preset.list.sigKeyPath, "/x/key.der");
    EXPECT_EQ(preset.log, "RAM_PATCH: /x/loader.bin\nSIG_PUB: /x/key.der\n");
    EXPECT_EQ(Read(dir, entries, "QM2A_NAND").list.ramLoaderPath, "ram_patch_2A_NAND.bin");
    EXPECT_EQ(Read(dir, entries, "QM2E_SD").list.ramLoaderPath, "ram_patch_2E_SD.bin");
    // A device outside the table gets no loader, even over a --driver value.
    auto other = Read(dir, entries, "XYZ");
    EXPECT_TRUE(other.ok);
    EXPECT_EQ(other.list.ramLoaderPath, "");
    EXPECT_EQ(other.log, "RAM_PATCH: \nSIG_PUB: sig_pub.der\n");
}

TEST(GetBurnList, RelativeListPathIsTakenFromTheCurrentDirectory) {
    TempDir dir;
    dir.Write("a.bin", "abc");
    dir.Write("burn.txt", "[FILEINFO]\nNUM=1\nFILE0=a.bin\n");
    ScopedCurrentDirectory cwd(dir.path());
    ASSERT_TRUE(cwd.ok());
    common::BurnList list;
    ASSERT_TRUE(common::GetBurnList("burn.txt", "QM2B", list));
    EXPECT_EQ(list.items[0].crc, 0xCA6598D0u);
}

TEST(GetBurnList, UnreadableOrBrokenEntryFailsTheWholeList) {
    TempDir dir;
    dir.Write("a.bin", "a");
    const std::string first = "[FILEINFO]\r\nNUM=2\r\nFILE0=" + dir.Path("a.bin") + "\r\n";
    auto missing = Read(dir, first + "FILE1=" + dir.Path("none.bin") + "\r\n");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.log, "file: " + dir.Path("none.bin") + " can't open\n");
    EXPECT_TRUE(missing.list.items.empty());
    EXPECT_EQ(missing.list.ramLoaderPath, "/given/driver.bin");
    // A directory, a device node or a pipe is a file that cannot be opened
    // (and a pipe is not waited on).
    ASSERT_EQ(mkfifo(dir.Path("pipe.bin").c_str(), 0600), 0);
    for (const std::string& notAFile : {dir.path(), std::string("/dev/null"), dir.Path("pipe.bin")}) {
        auto entry = Read(dir, first + "FILE1=" + notAFile + "\r\n");
        EXPECT_FALSE(entry.ok);
        EXPECT_EQ(entry.log, "file: " + notAFile + " can't open\n");
    }
    LogCapture listLog(dir);
    common::BurnList list;
    EXPECT_FALSE(common::GetBurnList(dir.path(), "QM2B", list));
    EXPECT_EQ(listLog.Text(), "X cannot open burn list " + dir.path() + ": Is a directory\nerror: no file found \n");

    dir.Write("cut.gz", StoredImage(std::string(100, 'r'), 101));
    auto cut = Read(dir, first + "FILEGZIP1=" + dir.Path("cut.gz") + "\r\n");
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.log, "X compressed image " + dir.Path("cut.gz") + ": block 0 data past the end of the file\n");

    dir.Write("short.gz", std::string(8, '\0'));
    auto shortFile = Read(dir, first + "FILEGZIP1=" + dir.Path("short.gz") + "\r\n");
    EXPECT_FALSE(shortFile.ok);
    EXPECT_EQ(shortFile.log, "X compressed image " + dir.Path("short.gz") + ": header shorter than 12 bytes\n");
}

TEST(GetBurnList, HexEntryIsConvertedAndTheBinaryIsUsed) {
    TempDir dir;
    dir.Write("fw.HEX", ":020000041002E8\r\n:0400100061626364FA\r\n:00000001FF\r\n");
    auto r = Read(dir, "[FILEINFO]\r\nNUM=1\r\nADDR0=0x5\r\nFILE0=" + dir.Path("fw.HEX") + "\r\n");
    ASSERT_TRUE(r.ok) << r.log;
    EXPECT_EQ(r.list.items[0].path, dir.Path("fw_hex2bin.bin"));
    EXPECT_EQ(r.list.items[0].address, 0x10020010u);
    EXPECT_EQ(r.list.items[0].crc, Crc("abcd"));
    EXPECT_EQ(r.list.progressTotal, 4u);

    dir.Write("bad.hex", ":0400100061626x64FA\r\n");
    auto bad = Read(dir, "[FILEINFO]\r\nNUM=1\r\nFILE0=" + dir.Path("bad.hex") + "\r\n");
    EXPECT_FALSE(bad.ok);
    EXPECT_FALSE(dir.Exists("bad_hex2bin.bin"));
}

}  // namespace
