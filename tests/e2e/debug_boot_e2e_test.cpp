// Downloads to QM2A and QM2C end to end: the real Pirrow boots the RAM loader
// through the boot ROM's debug port of a virtual device, then writes images;
// checked by what the device holds afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/tool_e2e.h"

namespace {

using testing_support::Pattern;
using testing_support::ToolRun;
using testing_support::WriteFile;

struct Family {
    const char* type;
    const char* loader;
    uint32_t flashAddress;
};

constexpr Family kQM2A{"QM2A", "ram_patch_2A.bin", 0x10020000};
constexpr Family kQM2C{"QM2C", "ram_patch_2C.bin", 0x1C020000};

// A loader whose vector table starts it at 0x20004125 with its stack at 0x20010000.
std::vector<uint8_t> LoaderImage(size_t size) {
    std::vector<uint8_t> image = Pattern(size, 5);
    const uint32_t words[2] = {0x20010000, 0x20004125};
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < 4; ++i) image[size_t(4 * w + i)] = uint8_t(words[w] >> (8 * i));
    return image;
}

class DebugBoot : public testing_support::ToolE2e {
protected:
    std::vector<uint8_t> Prepare(const Family& family) {
        const std::vector<uint8_t> image = Pattern(0x30000 + 40, 7);
        WriteFile(Path("app.bin"), image);
        char list[256];
        std::snprintf(list, sizeof list,
                      "[FILEINFO]\r\nNUM=1\r\nADDR0=0x%x\r\nFILE0=app.bin\r\n[UART_PRESET]\r\nRAM_PATCH=%s\r\n",
                      family.flashAddress, family.loader);
        WriteFile(Path("burn.txt"), std::string(list));
        WriteFile(Path(family.loader), LoaderImage(10 * 1024 + 3));
        loaderName_ = family.loader;
        return image;
    }

    ToolRun Download(const Family& family, const std::string& baud) {
        return Pirrow({"--func", "0", "--device", family.type, "--file", "burn.txt", "--loadram", "1"}, baud);
    }

    void ExpectFlashHolds(const Family& family, const std::vector<uint8_t>& image) {
        devsim::StateFile state = StopDevice();
        std::vector<uint8_t> back;
        ASSERT_TRUE(state.state.flash.Read(family.flashAddress, uint32_t(image.size()), back));
        EXPECT_TRUE(back == image);
    }
};

TEST_F(DebugBoot, BothFamiliesAtTheLoaderRateNeedNoRateSwitch) {
    for (const Family& family : {kQM2A, kQM2C}) {
        const std::vector<uint8_t> image = Prepare(family);
        StartDevice(family.type, "bootrom", {"--rate-limit"});
        const ToolRun run = Download(family, "1000000");
        const std::string log = Log();
        EXPECT_EQ(run.exitCode, 0) << log;
        EXPECT_EQ(run.out.rfind("EnterDebugMode success: curbaund (1000000)\n", 0), 0u) << run.out;
        EXPECT_NE(run.out.find("[R] PC: 0x000007d4  MSP: "), std::string::npos);
        EXPECT_NE(run.out.find("[R] PC: 0x20004125  MSP: 0x20010000\n"), std::string::npos);
        EXPECT_NE(run.out.find(family.type == kQM2A.type ? "DownLoadFileRam over\n" : "DownLoadFileRam over: PASS\n"),
                  std::string::npos);
        EXPECT_NE(run.out.find("percent:99 \n"), std::string::npos) << run.out;
        EXPECT_EQ(log.find("burn_speed"), std::string::npos);
        EXPECT_NE(log.find("FINAL_PASS\n"), std::string::npos);
        ExpectFlashHolds(family, image);
        std::remove(LogPath().c_str());
        std::remove(StatePath().c_str());
    }
}

TEST_F(DebugBoot, BothFamiliesAtTheWorkingRateSwitchWithBurnSpeedAndHandTheLoaderBack) {
    for (const Family& family : {kQM2A, kQM2C}) {
        const std::vector<uint8_t> image = Prepare(family);
        StartDevice(family.type, "bootrom");
        const ToolRun run = Download(family, "3000000");
        const std::string log = Log();
        EXPECT_EQ(run.exitCode, 0) << log;
        const size_t up = log.find("burn_speed 3000000 1000\r");
        const size_t back = log.find("burn_speed 1000000 1000\r");
        EXPECT_NE(up, std::string::npos) << log;
        EXPECT_NE(back, std::string::npos);
        EXPECT_LT(up, back);
        EXPECT_EQ(run.out.find("EnterDebugMode error"), std::string::npos);
        ExpectFlashHolds(family, image);
        std::remove(LogPath().c_str());
        std::remove(StatePath().c_str());
    }
}

TEST_F(DebugBoot, SilentDebugPortMakesTheLoaderPhaseTryAgainAtTheWorkingRate) {
    // The first enter frame and its retry go unanswered; the second attempt,
    // at 3000000 baud, reaches a boot ROM that listens at 1000000 only.
    Prepare(kQM2C);
    StartDevice(kQM2C.type, "bootrom", {"--debug-port-faults", "drop=1-2"});
    const ToolRun run = Download(kQM2C, "3000000");
    const std::string log = Log();
    EXPECT_NE(run.exitCode, 0) << log;
    const size_t retry = run.out.find("EnterDebugMode retry error: curbaund (1000000)\n");
    const size_t second = run.out.find("EnterDebugMode retry error: curbaund (3000000)\n");
    ASSERT_NE(retry, std::string::npos) << run.out;
    ASSERT_NE(second, std::string::npos) << run.out;
    EXPECT_LT(retry, second);
    EXPECT_EQ(log.find("burn_erase_write"), std::string::npos);
}

TEST_F(DebugBoot, UnusableLoaderFailsTheJobAndLeavesFlashAlone) {
    Prepare(kQM2A);
    WriteFile(Path(kQM2A.loader), std::vector<uint8_t>{1, 2, 3});  // no room for a vector table
    StartDevice(kQM2A.type, "bootrom");
    const ToolRun run = Download(kQM2A, "1000000");
    const std::string log = Log();
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(log.find("X RAM loader "), std::string::npos) << log;
    EXPECT_NE(log.find("DownLoadUart() fail\n"), std::string::npos);
    EXPECT_EQ(log.find("burn_erase_write"), std::string::npos);
}

}  // namespace
