#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "alloc_fixture.h"
#include "station/engine/alloc/mac_spreadsheet.h"
#include "station/engine/alloc/xlsx_workbook.h"

namespace {

using alloc_test::AllocFixture;

// Runs a Python snippet with openpyxl (a real spreadsheet writer and reader)
// under the system Python, where the Debian package puts it;
// `path` is the workbook. Returns what it prints.
std::string Openpyxl(const std::string& path, const std::string& body) {
    const std::string script = "import openpyxl, sys\npath = sys.argv[1]\n" + body;
    const std::string file = path + ".py";
    std::FILE* f = std::fopen(file.c_str(), "w");
    std::fputs(script.c_str(), f);
    std::fclose(f);
    std::string out;
    if (std::FILE* p = popen(("/usr/bin/python3 " + file + " " + path).c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        if (pclose(p) != 0) out += "<python failed>";
    }
    return out;
}

class MacSheet : public AllocFixture {
protected:
    void SetUp() override {
        AllocFixture::SetUp();
        book_ = root_.Path("macs.xlsx");
        Set("BLE_SET", "ENABLE_FLAG", "1");
        Set("BLE_SET", "MAC_FLIE_FLAG", "1");
        Set("BLE_SET", "MAC_FILE", "macs.xlsx");
    }
    // Heading, then rows of MAC and state; the second state is bold, the
    // sheet has a second sheet that must not be touched.
    void MakeBook(const std::string& rows) {
        ASSERT_EQ(Openpyxl(book_,
                           "wb = openpyxl.Workbook()\nws = wb.active\nws.title = 'macs'\n"
                           "ws.append(['MAC', 'note', 'state'])\n"
                           "for r in " + rows + ":\n    ws.append(r)\n"
                           "ws['C3'].font = openpyxl.styles.Font(bold=True)\n"
                           "wb.create_sheet('other')['C2'] = 'keep'\n"
                           "wb.save(path)\n"),
                  "");
    }
    // Column C of the first sheet, one line per row from row 2, and C3's boldness.
    std::string States() {
        return Openpyxl(book_,
                        "ws = openpyxl.load_workbook(path).worksheets[0]\n"
                        "for row in ws.iter_rows(min_row=2):\n    print(row[0].value, row[2].value or '')\n"
                        "print('bold' if ws['C3'].font.b else 'plain', openpyxl.load_workbook(path)['other']['C2'].value)\n");
    }
    std::string book_;
};

TEST_F(MacSheet, TakeMarksTheFirstFreeRowAndFailureGivesItBack) {
    MakeBook("[['00AABB000001', 'a', 'used_earlier'], ['00aabb000002', 'b', None], ['00AABB000003', 'c', '']]");
    auto& alloc = Allocator();
    ASSERT_EQ(alloc.BuildFactoryData(3), 1);
    EXPECT_EQ(alloc.MacText(3), "00AABB000002");
    const std::string file = root_.Read("temp/BLE_SN_3.bin");
    EXPECT_EQ(file.substr(0, 8), std::string("\x01\x06\x02\x00\x00\xBB\xAA\x00", 8));
    const std::string states = States();
    EXPECT_TRUE(std::regex_search(states, std::regex("^00AABB000001 used_earlier\n00aabb000002 used_[0-9]{4}_[0-9]{2}_"
                                                     "[0-9]{2}_\\([0-9]{2}:[0-9]{2}:[0-9]{2}\\)_chan3\n00AABB000003 \n"
                                                     "bold keep\n$")))
        << states;
    ASSERT_EQ(alloc.BuildFactoryData(4), 1);
    EXPECT_EQ(alloc.MacText(4), "00AABB000003");

    alloc.Finish(3, 0);
    EXPECT_NE(States().find("00aabb000002 \n"), std::string::npos);
    alloc.Finish(4, 1);
    ASSERT_EQ(alloc.BuildFactoryData(5), 1);  // the released row goes out again
    EXPECT_EQ(alloc.MacText(5), "00AABB000002");

    // Full: nothing to take, one message per start command.
    EXPECT_EQ(alloc.BuildFactoryData(6), 0);
    EXPECT_EQ(alloc.BuildFactoryData(7), 0);
    EXPECT_NE(LogText().find("[6] MAC 获取失败, 请确认\n"), std::string::npos);
    EXPECT_EQ(Messages(), std::vector<std::string>{station::kMacTakeFailedMessage});
}

TEST_F(MacSheet, ListEndsAtTheFirstRowWithoutAMac) {
    MakeBook("[['00AABB000001', 'a', 'used'], ['short', 'b', None], ['00AABB000003', 'c', None]]");
    EXPECT_EQ(Allocator().BuildFactoryData(1), 0);
    MakeBook("[['00AABB00000G', 'a', None]]");
    EXPECT_EQ(Allocator().BuildFactoryData(1), 0);
    EXPECT_EQ(States().substr(0, 14), "00AABB00000G \n");  // not marked
}

TEST_F(MacSheet, LockedOrMalformedWorkbooksGiveNoMac) {
    MakeBook("[['00AABB000001', 'a', None]]");
    int fd = open(book_.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    // flock locks are per open file; a second descriptor of this process is refused too.
    const uint64_t before = clock_.NowMs();
    EXPECT_EQ(Allocator().BuildFactoryData(1), 0);
    EXPECT_EQ(clock_.NowMs() - before, 6 * 1000u + 300u);  // 7 tries 1000 ms apart, then the settle time
    close(fd);
    EXPECT_EQ(Messages(), (std::vector<std::string>{station::kSheetLockedMessage, station::kMacTakeFailedMessage}));
    EXPECT_NE(States().find("00AABB000001 \n"), std::string::npos);

    root_.Write("macs.xlsx", "PK\x03\x04 not really a workbook");
    EXPECT_EQ(Allocator().BuildFactoryData(1), 0);
    EXPECT_NE(LogText().find("[1] MAC excel load error:"), std::string::npos);
}

TEST(XlsxWorkbook, CellsWithoutReferencesAndInlineStringsRoundTrip) {
    common_test::TempDir dir;
    const std::string path = dir.Path("w.xlsx");
    ASSERT_EQ(Openpyxl(path, "wb = openpyxl.Workbook()\nws = wb.active\nws['A1'] = 'h'\nws['A5'] = 'x'\n"
                             "ws['B5'] = 7\nws['C5'] = '=1+1'\nwb.save(path)\n"),
              "");
    station::XlsxWorkbook book;
    ASSERT_TRUE(book.Load(path));
    EXPECT_EQ(book.LastRow(), 5);
    EXPECT_EQ(book.ReadString(4, 0), "x");
    EXPECT_EQ(book.ReadString(4, 1), std::nullopt);  // a number is no text
    EXPECT_EQ(book.ReadString(2, 0), std::nullopt);
    book.WriteString(2, 2, "mid");  // a new row between two others
    book.WriteString(4, 1, " spaced ");
    book.WriteString(0, 27, "AB");
    ASSERT_TRUE(book.Save(path));
    EXPECT_EQ(Openpyxl(path, "ws = openpyxl.load_workbook(path).active\n"
                             "print(repr(ws['C3'].value), repr(ws['B5'].value), ws['AB1'].value, ws['A5'].value)\n"),
              "'mid' ' spaced ' AB x\n");
    ASSERT_TRUE(book.Load(path));
    EXPECT_EQ(book.ReadString(2, 2), "mid");
}

}  // namespace
