#include <gtest/gtest.h>

#include "devsim/model/firmware_options.h"
#include "tests/unit/devsim/device_harness.h"

namespace {

using devsim::Device;
using devsim::GnssStepOutcome;
using devsim_test::Harness;

const char* const kFullProgress =
    "GNSS,01,03,01,00\r\nGNSS,01,03,01,25\r\nGNSS,01,03,01,50\r\nGNSS,01,03,01,75\r\n"
    "GNSS,01,03,02,00\r\nGNSS,01,03,02,25\r\nGNSS,01,03,02,50\r\nGNSS,01,03,02,75\r\n"
    "GNSS,01,03,03,00\r\nGNSS,01,03,03,25\r\nGNSS,01,03,03,50\r\nGNSS,01,03,03,75\r\n"
    "GNSS,01,03,04,00\r\nGNSS,01,03,04,25\r\nGNSS,01,03,04,50\r\nGNSS,01,03,04,75\r\n"
    "GNSS,01,03,05,00\r\n";

// A device powered on into its application, as for a GNSS load.
struct GnssLoader : ::testing::Test {
    std::shared_ptr<devsim::FactoryFirmwareOptions> firmware = std::make_shared<devsim::FactoryFirmwareOptions>();
    devsim::GnssLoaderOptions& options = firmware->gnss;
    std::unique_ptr<Harness> h;

    void SetUp() override { firmware->startupText.clear(); }
    void PowerOn() {
        h = std::make_unique<Harness>("QM2B", Device::StartMode::Firmware, devsim::FaultOptions{},
                                      devsim_test::FirmwareExtensions(firmware));
    }
};

TEST_F(GnssLoader, FullLoad) {
    PowerOn();
    EXPECT_EQ(h->Send("GNSS,01,01\r\n"), "GNSS,01,01,00\r\n");
    EXPECT_EQ(h->Send("GNSS,01,02\r\n"), "GNSS,01,02,00\r\n");
    EXPECT_EQ(h->Advance(options.progressGapMs), "GNSS,01,03,01,00\r\n");
    std::string rest = "GNSS,01,03,01,00\r\n" + h->Advance(20 * options.progressGapMs);
    EXPECT_EQ(rest, std::string(kFullProgress) + "GNSS,01,04,00\r\n");
    // A new load needs a new request.
    EXPECT_EQ(h->Send("GNSS,01,02\r\n"), "GNSS,01,02,01\r\n");
}

TEST_F(GnssLoader, RefusedOrSilentSteps) {
    options.request = GnssStepOutcome::Fail;
    PowerOn();
    EXPECT_EQ(h->Send("GNSS,01,01\r\n"), "GNSS,01,01,01\r\n");
    EXPECT_EQ(h->Send("GNSS,01,02\r\n"), "GNSS,01,02,01\r\n");

    options.request = GnssStepOutcome::Silent;
    EXPECT_EQ(h->Send("GNSS,01,01\r\n"), "");

    options.request = GnssStepOutcome::Ok;
    options.start = GnssStepOutcome::Fail;
    EXPECT_EQ(h->Send("GNSS,01,01\r\n"), "GNSS,01,01,00\r\n");
    EXPECT_EQ(h->Send("GNSS,01,02\r\n"), "GNSS,01,02,01\r\n");
    EXPECT_EQ(h->Advance(3000), "");
}

TEST_F(GnssLoader, FailedEndAndStalledProgress) {
    options.finish = GnssStepOutcome::Fail;
    PowerOn();
    h->Send("GNSS,01,01\r\n");
    h->Send("GNSS,01,02\r\n");
    std::string out = h->Advance(3000);
    EXPECT_EQ(out.substr(out.size() - 15), "GNSS,01,04,01\r\n");

    options.stallAfterStage = 2;
    h->Send("GNSS,01,01\r\n");
    h->Send("GNSS,01,02\r\n");
    out = h->Advance(5000);
    EXPECT_EQ(out.substr(out.size() - 18), "GNSS,01,03,02,75\r\n");
    EXPECT_EQ(out.find("GNSS,01,03,03"), std::string::npos);
    EXPECT_EQ(h->Send("GNSS,01,01\r\n"), "GNSS,01,01,00\r\n");
    EXPECT_EQ(h->Send("GNSS,01,02\r\n"), "GNSS,01,02,01\r\n");  // still busy with the stalled load
}

TEST_F(GnssLoader, SplitRepliesKeepTheirOrder) {
    firmware->replyPieceBytes = 4;
    PowerOn();
    EXPECT_EQ(h->Send("GNSS,01,01\r\n"), "GNSS");
    EXPECT_EQ(h->Advance(1000), ",01,01,00\r\n");
    std::string out = h->Send("GNSS,01,02\r\n");
    out += h->Advance(20000);
    EXPECT_EQ(out, "GNSS,01,02,00\r\n" + std::string(kFullProgress) + "GNSS,01,04,00\r\n");
}

}  // namespace
