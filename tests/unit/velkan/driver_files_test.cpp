#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "velkan/driver_files.h"
#include "velkan/editor_session.h"
#include "velkan/vesctool.h"
#include "velkan_fixtures.h"

namespace {

using namespace velkan;
using velkan_test::BlockText;
using velkan_test::ImageWithBlock;
using velkan_test::Scrambled;
using velkan_test::MessageLog;
using velkan_test::SampleBlock;
using velkan_test::TempDir;

const std::string kNotFound = "not find user configure data: header:0xabcddbca tail:0xabcddbca version:0xffff0002 !";

UserConfigBlock OtherBlock() {
    UserConfigBlock block = UserConfigBlock::Fresh();
    block.pinMask = 0x0800;
    block.pins[11] = {0, 3, 1, 0};
    return block;
}

TEST(WriteBlockToImages, EachImageOnItsOwnAndNoneHalfWritten) {
    TempDir dir;
    const std::string good = dir.Write("a_loader.bin", ImageWithBlock(OtherBlock(), 300));
    const std::string plain = dir.Write("b_firmware.bin", std::string(4096, '\x11'));
    const std::string tiny = dir.Write("c_tiny.bin", BlockText(OtherBlock()));
    const std::string twice = dir.Write("d_twice.elf", ImageWithBlock(OtherBlock(), 8) + ImageWithBlock(OtherBlock(), 8));
    const std::string locked = dir.Write("e_locked.bin", ImageWithBlock(OtherBlock(), 40));
    ::chmod(locked.c_str(), 0444);
    ::chmod(good.c_str(), 0640);
    const std::string missing = dir.Path("f_gone.bin");

    MessageLog log;
    const bool ok = WriteBlockToImages({good, plain, tiny, twice, locked, missing}, SampleBlock(), Vesctool(""), log.Sink());

    EXPECT_FALSE(ok);
    EXPECT_EQ(log.texts, (std::vector<std::string>{kNotFound, "file len error 224 <= 224 !", "create out file fail !",
                                                   "open file fail: " + missing + " !"}));
    EXPECT_EQ(dir.Read("a_loader.bin"), ImageWithBlock(SampleBlock(), 300));
    EXPECT_EQ(dir.Read("b_firmware.bin"), std::string(4096, '\x11'));
    EXPECT_EQ(dir.Read("c_tiny.bin"), BlockText(OtherBlock()));
    EXPECT_EQ(dir.Read("d_twice.elf"), ImageWithBlock(SampleBlock(), 8) + ImageWithBlock(OtherBlock(), 8));
    EXPECT_EQ(dir.Read("e_locked.bin"), ImageWithBlock(OtherBlock(), 40));
    struct stat st {};
    ASSERT_EQ(::stat(good.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a_loader.bin", "b_firmware.bin", "c_tiny.bin", "d_twice.elf", "e_locked.bin"}));

    MessageLog none;
    EXPECT_FALSE(WriteBlockToImages({}, SampleBlock(), Vesctool(""), none.Sink()));
    EXPECT_EQ(none.texts, std::vector<std::string>{"no driver file select !"});
}

class EncryptedImage : public ::testing::Test {
protected:
    void SetUp() override {
        image_ = dir_.Write("ram_patch_2B.bin", Scrambled(ImageWithBlock(OtherBlock(), 500)));
        twin_ = image_ + "_ori.bin";
    }

    TempDir dir_;
    TempDir toolDir_;
    std::string image_;
    std::string twin_;
    MessageLog log_;
};

TEST_F(EncryptedImage, ReadGoesThroughTheTwinFoundOnTheSearchPath) {
    velkan_test::WriteStandInVesctool(toolDir_);
    const std::string savedPath = std::getenv("PATH");
    ::setenv("PATH", ("/nonexistent:" + toolDir_.path()).c_str(), 1);
    const std::string located = Vesctool::Locate();
    ::setenv("PATH", savedPath.c_str(), 1);
    ASSERT_EQ(located, toolDir_.Path("vesctool"));

    dir_.Write("ram_patch_2B.bin_ori.bin", "stale twin");
    auto block = ReadBlockFromImage(image_, Vesctool(located), log_.Sink());
    ASSERT_TRUE(block);
    EXPECT_EQ(EncodeBlock(*block), EncodeBlock(OtherBlock()));
    EXPECT_TRUE(log_.texts.empty());
    EXPECT_FALSE(dir_.Exists("ram_patch_2B.bin_ori.bin"));

    // Without the tool the twin never appears.
    EXPECT_FALSE(ReadBlockFromImage(image_, Vesctool(""), log_.Sink()));
    EXPECT_EQ(log_.texts, std::vector<std::string>{"open file fail: " + twin_ + " !"});
    // Not an encrypted name: no twin is tried.
    const std::string other = dir_.Write("loader.bin", Scrambled(ImageWithBlock(OtherBlock(), 500)));
    EXPECT_FALSE(ReadBlockFromImage(other, Vesctool(located), log_.Sink()));
    EXPECT_EQ(log_.texts.back(), kNotFound);
}

TEST_F(EncryptedImage, WriteEncryptsTheTwinBackOverTheImage) {
    const Vesctool tool(velkan_test::WriteStandInVesctool(toolDir_));
    ASSERT_TRUE(WriteBlockToImages({image_}, SampleBlock(), tool, log_.Sink()));
    EXPECT_TRUE(log_.texts.empty());
    EXPECT_EQ(dir_.Read("ram_patch_2B.bin"), Scrambled(ImageWithBlock(SampleBlock(), 500)));
    EXPECT_EQ(dir_.Read("ram_patch_2B.bin_ori.bin"), ImageWithBlock(SampleBlock(), 500));
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"ram_patch_2B.bin", "ram_patch_2B.bin_ori.bin"}));
}

TEST_F(EncryptedImage, FailingEncryptionKeepsTheImage) {
    const Vesctool tool(velkan_test::WriteStandInVesctool(toolDir_, /*encFails=*/true));
    const std::string before = dir_.Read("ram_patch_2B.bin");
    EXPECT_FALSE(WriteBlockToImages({image_}, SampleBlock(), tool, log_.Sink()));
    EXPECT_EQ(log_.texts, std::vector<std::string>{"encrypt file fail: " + image_ + " !"});
    EXPECT_EQ(dir_.Read("ram_patch_2B.bin"), before);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"ram_patch_2B.bin", "ram_patch_2B.bin_ori.bin"}));
}

TEST(ConfigFile, ExactlyOneBlockInAndOut) {
    TempDir dir;
    MessageLog log;
    EditorSession session(log.Sink(), Vesctool(""));
    ConfigGrids grids;
    ASSERT_FALSE(ShowBlock(SampleBlock(), grids));

    ASSERT_TRUE(session.SaveConfig(dir.Path("user.bin"), grids));
    EXPECT_EQ(dir.Read("user.bin"), BlockText(SampleBlock()));

    // A cell in error stops the save before the file is touched.
    ConfigGrids broken = grids;
    broken.pins[0].pin = "";
    EXPECT_FALSE(session.SaveConfig(dir.Path("user.bin"), broken));
    EXPECT_EQ(dir.Read("user.bin"), BlockText(SampleBlock()));

    ConfigGrids loaded;
    ASSERT_TRUE(session.ImportConfig(dir.Path("user.bin"), loaded));
    UserConfigBlock built;
    ASSERT_FALSE(BuildBlockFromGrids(loaded, built));
    EXPECT_EQ(EncodeBlock(built), EncodeBlock(SampleBlock()));

    dir.Write("long.bin", BlockText(SampleBlock()) + "x");
    EXPECT_FALSE(session.ImportConfig(dir.Path("long.bin"), loaded));
    dir.Write("zeros.bin", std::string(224, '\0'));
    EXPECT_FALSE(session.ImportConfig(dir.Path("zeros.bin"), loaded));
    EXPECT_FALSE(session.ImportConfig(dir.path(), loaded));
    EXPECT_FALSE(session.SaveConfig(dir.Path("no/such/dir.bin"), grids));
    EXPECT_EQ(log.texts, (std::vector<std::string>{
                             "0 line pin value error !",
                             "file len error 225 != 224 !",
                             "file flag error: 0x0 0x0 0x0!",
                             "open file fail: " + dir.path() + " !",
                             "create file fail: " + dir.Path("no/such/dir.bin") + " !",
                         }));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"long.bin", "user.bin", "zeros.bin"}));
}

}  // namespace
