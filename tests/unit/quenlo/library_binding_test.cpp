#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "common/print_log.h"
#include "platform/jlink_library.h"
#include "quenlo/jlink_api.h"
#include "tests/unit/common/test_files.h"

namespace quenlo {
namespace {

class LibrarySearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.empty());
        unsetenv(platform::kJLinkPathVariable);
    }
    void TearDown() override { common::SetLogFile(""); }
    void Touch(const std::string& name) { scratch_.Write(name, "x"); }
    common_test::TempDir scratch_;
    const std::string dir_ = scratch_.path();
};

TEST_F(LibrarySearch, PlainNameElseTheHighestVersion) {
    Touch("libjlinkarm.so.7.94.5");
    Touch("libjlinkarm.so.10");
    Touch("libjlinkarm.so.9.bak");
    EXPECT_EQ(platform::JLinkLibraryInDirectory(dir_), dir_ + "/libjlinkarm.so.10");
    Touch("libjlinkarm.so");
    EXPECT_EQ(platform::JLinkLibraryInDirectory(dir_), dir_ + "/libjlinkarm.so");
}

TEST_F(LibrarySearch, DllThenJLinkPathThenInstallDirThenSearchPath) {
    Touch("libjlinkarm.so.8");
    setenv(platform::kJLinkPathVariable, dir_.c_str(), 1);
    const std::vector<std::string> fromFile = platform::JLinkLibraryCandidates("/x/libjlinkarm.so");
    ASSERT_GE(fromFile.size(), 3u);
    EXPECT_EQ(fromFile[0], "/x/libjlinkarm.so");
    EXPECT_EQ(fromFile[1], dir_ + "/libjlinkarm.so.8");
    EXPECT_EQ(fromFile[fromFile.size() - 7], "libjlinkarm.so");  // then the loader's own search
    const std::vector<std::string> fromDir = platform::JLinkLibraryCandidates(dir_);
    EXPECT_EQ(fromDir[0], dir_ + "/libjlinkarm.so.8");
}

TEST_F(LibrarySearch, ALibraryWithoutTheExportsIsRefusedByName) {
    common::SetLogFile(dir_ + "/log.txt");
    platform::SharedLibrary library;
    JLinkApi api;
    // The C library loads but exports none of the probe's functions.
    EXPECT_FALSE(LibInit("libc.so.6", library, api));
    std::ifstream in(dir_ + "/log.txt");
    std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("    X jlink_EMU_GetList null\n"), std::string::npos) << log;
    EXPECT_NE(log.find("    LibInit() fail\n"), std::string::npos);
    EXPECT_EQ(log.find("hModule"), std::string::npos);
}

}  // namespace
}  // namespace quenlo
