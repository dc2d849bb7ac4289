// The tool's whole debug-port boot against the virtual device, on virtual time.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/print_log.h"
#include "devsim/model/debug_port.h"
#include "devsim/model/device.h"
#include "pirrow/debug_boot.h"
#include "pirrow/loader.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/device_link.h"

namespace {

using pirrow::DebugFrameForm;

constexpr uint32_t kEntry = 0x20004125;
constexpr uint32_t kStack = 0x20008000;

std::string LoaderImage(size_t size) {
    std::string image(size, '\0');
    for (size_t i = 8; i < size; ++i) image[i] = char(i * 31 + 7);
    for (int i = 0; i < 4; ++i) {
        image[size_t(i)] = char(kStack >> (8 * i));
        image[size_t(4 + i)] = char(kEntry >> (8 * i));
    }
    return image;
}

struct BootRig {
    explicit BootRig(const std::string& type, devsim::FaultOptions faults = {}, devsim::DebugPortFaults portFaults = {})
        : device(devsim::DeviceType(type), clock, faults, devsim::StandardExtensions(portFaults)),
          session(clock, [this](const std::string&, int baud, pirrow::PortOpenError&) -> std::unique_ptr<platform::ByteLink> {
              openedBauds.push_back(baud);
              return std::make_unique<testing_support::DeviceLink>(device, &written);
          }) {
        const std::string stem = "/tmp/debug_boot_" + std::to_string(getpid());
        logPath = stem + ".log";
        loaderPath = stem + ".bin";
        std::remove(logPath.c_str());
        common::SetLogFile(logPath);
        image = LoaderImage(10001);
        std::ofstream(loaderPath, std::ios::binary) << image;
        session.settings.portName = "ttyVIRT";
        session.settings.deviceType = type;
        session.settings.ramLoaderPath = loaderPath;
        device.Start(devsim::Device::StartMode::BootRom);
    }
    ~BootRig() {
        common::SetLogFile("");
        std::remove(logPath.c_str());
        std::remove(loaderPath.c_str());
    }
    // Runs the boot from an open port, capturing the console.
    bool Boot(DebugFrameForm form, int currentBaud, int targetBaud) {
        session.link.Open(session.settings.portName, currentBaud);
        testing_support::CaptureStdout capture;
        const bool ok = pirrow::DebugPortBoot(session, form, currentBaud, targetBaud);
        console = capture.Finish();
        return ok;
    }
    std::string Log() const {
        std::ifstream in(logPath);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool RamHoldsImage(uint32_t base) {
        for (size_t i = 0; i < image.size(); ++i)
            if (device.Ram().Read8(uint32_t(base + i)) != uint8_t(image[i])) return false;
        return device.Ram().Read8(uint32_t(base + image.size())) == 0;  // zero padding
    }
    size_t Count(const std::string& haystack, const std::string& needle) const {
        size_t n = 0;
        for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
        return n;
    }

    platform::VirtualClock clock;
    devsim::Device device;
    std::string written;
    std::vector<int> openedBauds;
    pirrow::Session session;
    std::string logPath, loaderPath, image, console;
};

TEST(DebugBoot, ShortFormAtTheLoaderRateLoadsAndStartsTheLoaderWithoutBurnSpeed) {
    BootRig rig("QM2A");
    rig.session.settings.loadRam = 1;
    rig.session.settings.baud = 1000000;
    testing_support::CaptureStdout capture;
    ASSERT_TRUE(pirrow::LoaderPhase(rig.session, true));
    rig.console = capture.Finish();

    EXPECT_EQ(rig.device.CurrentPersonality(), devsim::PersonalityKind::RamLoader);
    EXPECT_TRUE(rig.RamHoldsImage(0x20004000));
    EXPECT_EQ(rig.written.find("burn_speed"), std::string::npos);
    const std::string& c = rig.console;
    EXPECT_EQ(c.rfind("EnterDebugMode success: curbaund (1000000)\nWriteMem success: 0xf000edf0 0xa05f0003\n", 0), 0u)
        << c;
    for (const char* line : {"WriteMem success: 0xf000ed0c 0x05fa0004\n", "WriteMemSingle success: 0xf000edfc 0x01000000\n",
                             "[R] PC: 0x000007d4  MSP: 0x20010000\n", "DownLoadFileRam start\nDownLoadFileRam over\n",
                             "[R] PC: 0x20004125  MSP: 0x20008000\n", "WriteMem success: 0x5000202c 0xfffffc00\n",
                             "WriteMem success: 0xf000edf0 0xa05f0001\n"})
        EXPECT_NE(c.find(line), std::string::npos) << line;
    EXPECT_EQ(c.find("pc ERROR"), std::string::npos);
    EXPECT_EQ(c.find("after reset"), std::string::npos);
    EXPECT_EQ(c.find("[R] BMR"), std::string::npos);  // a log line only
    EXPECT_NE(rig.Log().find("[R] BMR: 0x00000001\n"), std::string::npos);
}

TEST(DebugBoot, LongFormPreparesTheChipAndReportsTheLoadWithItsVerdict) {
    BootRig rig("QM2C");
    ASSERT_TRUE(rig.Boot(DebugFrameForm::Long, 1000000, 1000000));
    EXPECT_EQ(rig.device.CurrentPersonality(), devsim::PersonalityKind::RamLoader);
    EXPECT_TRUE(rig.RamHoldsImage(0x20004000));
    const std::string& c = rig.console;
    EXPECT_NE(c.find("DownLoadFileRam over: PASS\n"), std::string::npos);
    EXPECT_NE(c.find("WriteMem success: 0xe000edf0 0xa05f0003\n"), std::string::npos);  // the second core's halt
    EXPECT_NE(c.find("WriteMem success: 0x5004c00c 0x00000034\n"), std::string::npos);
    EXPECT_EQ(c.find("0x5000202c"), std::string::npos);  // short form only
    EXPECT_EQ(rig.Log().find("[R] BMR"), std::string::npos);
    EXPECT_EQ(rig.written.find("burn_speed"), std::string::npos);
}

TEST(DebugBoot, TargetRateIsReachedWithBurnSpeedAfterTheLoaderStarts) {
    BootRig rig("QM2A");
    ASSERT_TRUE(rig.Boot(DebugFrameForm::Short, 1000000, 3000000));
    EXPECT_NE(rig.written.find("burn_speed 3000000 1000\r"), std::string::npos);
    EXPECT_EQ(rig.device.Baud(), 3000000);
    EXPECT_EQ(rig.session.link.Baud(), 3000000);
}

TEST(DebugBoot, LongFormStartedAtTheWorkingRateReopensAtTheLoaderRate) {
    BootRig rig("QM2C");
    ASSERT_TRUE(rig.Boot(DebugFrameForm::Long, 3000000, 3000000));
    EXPECT_NE(rig.console.find("EnterDebugMode success: curbaund (3000000)\n"), std::string::npos);
    EXPECT_NE(rig.console.find("after reset, curbaund (1000000)\n"), std::string::npos);
    EXPECT_EQ(rig.openedBauds, (std::vector<int>{3000000, 1000000}));
    EXPECT_NE(rig.written.find("burn_speed 3000000 1000\r"), std::string::npos);
}

TEST(DebugBoot, ShortFormStartedAtTheWorkingRateFollowsTheResetToTheLoaderRate) {
    BootRig rig("QM2A");
    ASSERT_TRUE(rig.Boot(DebugFrameForm::Short, 3000000, 3000000));
    EXPECT_EQ(rig.console.find("after reset"), std::string::npos);
    EXPECT_EQ(rig.openedBauds, std::vector<int>{3000000});
    EXPECT_NE(rig.written.find("burn_speed 3000000 1000\r"), std::string::npos);
}

TEST(DebugBoot, NoisyAndSplitRepliesStillMatch) {
    devsim::FaultOptions noise;
    noise.garbage = true;
    for (const char* type : {"QM2A", "QM2C"}) {
        BootRig rig(type, noise, {true, 0, 0});
        EXPECT_TRUE(rig.Boot(type[3] == 'A' ? DebugFrameForm::Short : DebugFrameForm::Long, 1000000, 1000000)) << type;
        EXPECT_EQ(rig.Count(rig.console, "EnterDebugMode success"), 1u);
        EXPECT_TRUE(rig.RamHoldsImage(0x20004000));
    }
}

TEST(DebugBoot, ALostReplyEndsThePassAndTheSecondPassBoots) {
    BootRig rig("QM2C", {}, {false, 5, 5});
    ASSERT_TRUE(rig.Boot(DebugFrameForm::Long, 1000000, 1000000));
    EXPECT_EQ(rig.Count(rig.console, "EnterDebugMode success: curbaund (1000000)\n"), 2u);
    EXPECT_EQ(rig.device.CurrentPersonality(), devsim::PersonalityKind::RamLoader);
}

TEST(DebugBoot, DeviceThatNeverAnswersTheEnterFrameFailsAtOnce) {
    devsim::FaultOptions silent;
    silent.silentCommand = "debug_enter";
    BootRig rig("QM2A", silent);
    const uint64_t start = rig.clock.NowUs();
    EXPECT_FALSE(rig.Boot(DebugFrameForm::Short, 1000000, 1000000));
    EXPECT_EQ(rig.console, "EnterDebugMode error: curbaund (1000000)\nEnterDebugMode retry error: curbaund (1000000)\n");
    EXPECT_LT((rig.clock.NowUs() - start) / 1000, 2000u);
}

TEST(DebugBoot, ShortFormNeverStartsALoaderThatWasNotWritten) {
    BootRig rig("QM2A");
    rig.session.settings.ramLoaderPath = "/tmp/no/such/ram_patch_2A.bin";
    EXPECT_FALSE(rig.Boot(DebugFrameForm::Short, 1000000, 1000000));
    EXPECT_EQ(rig.Count(rig.console, "DownLoadFileRam over\n"), 2u);
    EXPECT_EQ(rig.Count(rig.console, "/tmp/no/such/ram_patch_2A.bin open error\n"), 2u);
    EXPECT_EQ(rig.console.find("0xa05f0001"), std::string::npos);
    EXPECT_EQ(rig.device.CurrentPersonality(), devsim::PersonalityKind::BootRom);
}

TEST(DebugBoot, FailedRateSwitchEndsTheBootAndTheLoaderPhaseRetriesAtTheWorkingRate) {
    devsim::FaultOptions failSpeed;
    failSpeed.failCommand = "burn_speed";
    BootRig rig("QM2A", failSpeed);
    rig.session.settings.loadRam = 1;
    rig.session.settings.baud = 3000000;
    testing_support::CaptureStdout capture;
    EXPECT_FALSE(pirrow::LoaderPhase(rig.session, true));
    rig.console = capture.Finish();
    // Each attempt boots the loader and then tries the switch twice.
    EXPECT_EQ(rig.Count(rig.written, "burn_speed 3000000 1000\r"), 4u);
    EXPECT_EQ(rig.openedBauds, (std::vector<int>{1000000, 3000000}));
    EXPECT_NE(rig.console.find("EnterDebugMode success: curbaund (1000000)\n"), std::string::npos);
    EXPECT_NE(rig.console.find("EnterDebugMode success: curbaund (3000000)\n"), std::string::npos);
}

}  // namespace
