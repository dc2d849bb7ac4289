#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "common/compressed_image.h"
#include "common/image_crc.h"
#include "pirrow/download.h"
#include "pirrow/jobs.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/scripted_session.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::ScriptedLink;
using testing_support::ScriptedSession;

// A RAM loader that takes flash commands and data blocks, answering as the
// real one does; it records commands and data.
struct Loader {
    std::vector<std::string> commands;
    std::string data;
    size_t expectData = 0;    // bytes still to come for the current write
    size_t blockLeft = 0;     // bytes still to come for the current block
    size_t blockSize = 0x20000;
    bool verifyMatches = false;
    bool failWrite = false;
    std::vector<size_t> gzipBlocks;  // sizes of gzip blocks still to come
    bool gzipActive = false;

    void OnWrite(ScriptedLink& link, const std::string& chunk) {
        if (expectData > 0 || gzipActive) {
            data += chunk;
            if (gzipActive) {
                EXPECT_EQ(chunk.size(), gzipBlocks.front());
                gzipBlocks.erase(gzipBlocks.begin());
                gzipActive = !gzipBlocks.empty();
                link.Reply(gzipActive ? "RX_WAIT\r\n" : "OK\r\n", 1);
                return;
            }
            expectData -= chunk.size();
            blockLeft -= chunk.size();
            if (blockLeft == 0) {
                blockLeft = std::min(blockSize, expectData);
                link.Reply(expectData == 0 ? "OK\r\n" : "RX_WAIT\r\n", 1);
            }
            return;
        }
        commands.push_back(chunk);
        if (chunk.rfind("burn_verify", 0) == 0) link.Reply(verifyMatches ? "OK\r\n" : "Fail\r\n", 1);
        else if (chunk.rfind("burn_noerase", 0) == 0 || chunk.rfind("burn_speed", 0) == 0) link.Reply("OK\r\n", 1);
        else if (chunk.rfind("burn_erase_write_gzip", 0) == 0) {
            gzipActive = true;
            link.Reply("RX_WAIT\r\n", 1);
        }
        else if (chunk.rfind("burn_erase_write ", 0) == 0) {
            if (failWrite) {
                link.Reply("Fail\r\n", 1);
                return;
            }
            unsigned addr = 0, len = 0;
            std::sscanf(chunk.c_str(), "burn_erase_write 0x%x 0x%x", &addr, &len);
            expectData = len;
            blockLeft = std::min(blockSize, expectData);
            link.Reply("RX_WAIT\r\n", 1);
        }
    }
};

common::BurnItem PlainItem(uint32_t address, size_t size) {
    common::BurnItem item;
    item.address = address;
    item.data.resize(size);
    for (size_t i = 0; i < size; ++i) item.data[i] = uint8_t(i ^ (i >> 8));
    item.size = uint32_t(size);
    item.crc = common::ImageCrc(item.data.data(), size);
    item.path = "app.bin";
    return item;
}

struct DownloadTest : ::testing::Test {
    ScriptedSession f;
    Loader loader;
    void SetUp() override {
        f.onWrite = [this](ScriptedLink& l, const std::string& c) { loader.OnWrite(l, c); };
    }
    void Add(common::BurnItem item) {
        f.session.progress.total += item.size;
        f.session.burnList.items.push_back(std::move(item));
    }
};

TEST_F(DownloadTest, PlainImageOfTwoWholeBlocks) {
    Add(PlainItem(0x10020000, 0x40000));
    CaptureStdout out;
    EXPECT_TRUE(pirrow::DownLoadUart(f.session));
        // The percentage divides by (total + 99) / 100, so a whole image shows 99.
    EXPECT_EQ(out.Finish(), "percent:49 \npercent:99 \n");
    ASSERT_EQ(loader.commands.size(), 1u);  // no burn_speed at 1000000
    EXPECT_EQ(loader.commands[0], "burn_erase_write 0x10020000 0x40000\r");
    EXPECT_EQ(loader.data.size(), 0x40000u);
    // Blocks go out as whole writes of 128 KiB.
    EXPECT_EQ(f.link().writes[1].size(), 0x20000u);
    EXPECT_NE(f.Log().find("downloadfile: app.bin  addr: 0x10020000  len: 262144 Byte\n"), std::string::npos);
    EXPECT_FALSE(f.link().IsOpen());
}

TEST_F(DownloadTest, WorkingRateSwitchAndHandBack) {
    f.session.settings.baud = 3000000;
    Add(PlainItem(0x10020000, 1000));
    EXPECT_TRUE(pirrow::DownLoadUart(f.session));
    ASSERT_EQ(loader.commands.size(), 3u);
    EXPECT_EQ(loader.commands[0], "burn_speed 3000000 1000\r");
    EXPECT_EQ(loader.commands[2], "burn_speed 1000000 1000\r");
    EXPECT_EQ(f.link().bauds, (std::vector<int>{3000000, 1000000}));
}

TEST_F(DownloadTest, PostActResetsInsteadOfHandingTheRateBack) {
    f.session.settings.baud = 3000000;
    f.session.settings.postAct = 1;
    Add(PlainItem(0x10020000, 1000));
    EXPECT_TRUE(pirrow::DownLoadUart(f.session));
    EXPECT_EQ(loader.commands.back(), "burn_reset\r");
    EXPECT_EQ(std::count_if(loader.commands.begin(), loader.commands.end(),
                            [](const std::string& c) { return c.rfind("burn_speed", 0) == 0; }),
              1);
}

TEST_F(DownloadTest, CompareMatchSkipsTheImageWithoutProgress) {
    f.session.settings.compare = true;
    loader.verifyMatches = true;
    Add(PlainItem(0x10020000, 0x100000));
    CaptureStdout out;
    EXPECT_TRUE(pirrow::DownLoadUart(f.session));
    EXPECT_EQ(out.Finish(), "");
    ASSERT_EQ(loader.commands.size(), 1u);
    char expected[80];
    std::snprintf(expected, sizeof expected, "burn_verify 0x10020000 0x100000 0x%x\r", f.session.burnList.items[0].crc);
    EXPECT_EQ(loader.commands[0], expected);
    EXPECT_NE(f.Log().find("compare match, no need to burn\n"), std::string::npos);
}

TEST_F(DownloadTest, NoEraseCompareMismatchAndVerify) {
    f.session.settings.compare = true;
    f.session.settings.noErase = true;
    f.session.settings.verify = true;
    Add(PlainItem(0x10020000, 0x30000));
    EXPECT_FALSE(pirrow::DownLoadUart(f.session));  // the verify after writing fails too
    ASSERT_EQ(loader.commands.size(), 4u);
    EXPECT_EQ(loader.commands[0].rfind("burn_verify", 0), 0u);
    EXPECT_EQ(loader.commands[1], "burn_noerase\r");
    EXPECT_EQ(loader.commands[2], "burn_erase_write 0x10020000 0x30000\r");
    EXPECT_EQ(loader.commands[3], loader.commands[0]);
    EXPECT_EQ(loader.data.size(), 0x30000u);
}

TEST_F(DownloadTest, FailedImageStopsTheList) {
    loader.failWrite = true;
    Add(PlainItem(0x10020000, 100));
    Add(PlainItem(0x10100000, 100));
    EXPECT_FALSE(pirrow::DownLoadUart(f.session));
    EXPECT_EQ(loader.commands.size(), 1u);
    std::string log = f.Log();
    EXPECT_NE(log.find("download_image_simple_thread fail \n"), std::string::npos);
    EXPECT_NE(log.find("DownLoadUart fail \n"), std::string::npos);
}

TEST_F(DownloadTest, SkipAddressAndSilentLoader) {
    auto skipped = PlainItem(common::kSkipAddress, 10);
    Add(skipped);
    EXPECT_TRUE(pirrow::DownLoadUart(f.session));
    EXPECT_TRUE(loader.commands.empty());
}

TEST_F(DownloadTest, GzipBlocksAreSentWholeWithTheirHeaders) {
    // Two blocks: 0x200000 raw bytes stored as 16 bytes, and 5 raw bytes stored raw.
    std::vector<uint8_t> file(12 + 12 + 16 + 12 + 5);
    common::WriteLe32(&file[0], 0x200005);
    common::WriteLe32(&file[4], 2);
    common::WriteLe32(&file[8], 0xABCDEF01);
    common::WriteLe32(&file[12], 0x200000);
    common::WriteLe32(&file[16], 16);
    common::WriteLe32(&file[40], 5);
    common::WriteLe32(&file[44], 5);
    common::BurnItem item;
    item.compressed = true;
    item.address = 0x10200000;
    item.data = file;
    item.size = uint32_t(file.size());
    item.crc = 0xABCDEF01;
    item.path = "big.gz";
    f.session.progress.total = 0x200005;
    f.session.burnList.items.push_back(item);
    loader.gzipBlocks = {28, 17};
    CaptureStdout out;
    EXPECT_TRUE(pirrow::DownLoadUart(f.session));
    EXPECT_EQ(out.Finish(), "percent:99 \n");
    EXPECT_EQ(loader.commands[0], "burn_erase_write_gzip 0x10200000 0x2\r");
    EXPECT_EQ(f.link().writes[1].size(), 28u);
    EXPECT_EQ(f.link().writes[2].size(), 17u);
}

TEST_F(DownloadTest, CorruptCompressedImageIsNeverSent) {
    std::vector<uint8_t> file(12 + 12 + 4);
    common::WriteLe32(&file[0], 100);
    common::WriteLe32(&file[4], 1);
    common::WriteLe32(&file[12], 100);
    common::WriteLe32(&file[16], 4000);  // stored length past the end
    common::BurnItem item;
    item.compressed = true;
    item.address = 0x10200000;
    item.data = file;
    item.size = uint32_t(file.size());
    f.session.burnList.items.push_back(item);
    EXPECT_FALSE(pirrow::DownLoadUart(f.session));
    EXPECT_TRUE(loader.commands.empty());
}

}  // namespace
