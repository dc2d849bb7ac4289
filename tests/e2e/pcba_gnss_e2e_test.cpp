// The PCBA test (job 11) and the GNSS load (job 14) of the real Pirrow
// program against a devsim device on a pseudo-terminal. Each case is its own
// test so that the slow application boot pauses run side by side.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/tool_e2e.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string console;
    std::string log;

    bool Logged(const std::string& text) const { return log.find(text) != std::string::npos; }
    // The last console line, without its line feed.
    std::string LastLine() const {
        std::string text = console;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text.substr(text.rfind('\n') + 1);
    }
};

class PcbaGnss : public testing_support::ToolE2e {
protected:
    // Starts a device with `devsimOptions` and runs Pirrow on it with `args`
    // (the port and the log are added).
    ToolRun Run(std::vector<std::string> devsimOptions, std::vector<std::string> args) {
        ToolRun run;
        if (!device_.Start(devsimOptions)) {
            ADD_FAILURE() << "devsim did not start";
            return run;
        }
        std::vector<std::string> command{"--port", device_.PtyPath()};
        command.insert(command.end(), args.begin(), args.end());
        command.insert(command.end(), {"--log", LogPath()});
        testing_support::ToolRun tool = RunProgram("Pirrow", command, 120000);
        run.status = tool.exitCode;
        run.console = tool.out;
        run.log = Log();
        return run;
    }

    static std::vector<std::string> Loader(std::vector<std::string> extra = {}) {
        std::vector<std::string> options{"--device", "QM2B", "--mode", "loader"};
        options.insert(options.end(), extra.begin(), extra.end());
        return options;
    }
    static std::vector<std::string> Pcba(const std::string& mask, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--func", "11", "--baund", "1000000", "--device", "QM2B", "--pcba", mask};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
};

constexpr const char* kBoot = "percent:1 \npercent:32 \npercent:33 \npercent:34 \npercent:35 \npercent:36 \n";

TEST_F(PcbaGnss, AllItemsPass) {
    ToolRun r = Run(Loader({"--fw-ble-name", "norva_ble   ", "--fw-version", "v2.0.1", "--fw-bt-name", "bt_e2e",
                            "--fw-wifi-version", "wifi 3"}),
                    Pcba("0x1ff", {"--blename", "norva_ble", "--fwver", "v2.0.1", "--third", "2"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.console, std::string(kBoot) +
                             "percent:40 \npercent:55 \n"
                             "bt_name:bt_e2e\nbt_version:v1.0.0.1\nsw_name:norva_sw\nsw_version:v1.0.0.1\n"
                             "percent:60 \npercent:65 \npercent:70 \npercent:75 \npercent:80 \npercent:85 \n"
                             "percent:90 \npercent:95 \nthirdfunc:2\npercent:100 \n");
    EXPECT_TRUE(r.Logged("send: Factory get_info\n"));
    EXPECT_TRUE(r.Logged("PcbaTest success \n"));
    EXPECT_TRUE(r.Logged("PcbaTest() pass\n"));
    EXPECT_TRUE(r.Logged("FINAL_PASS\n"));
}

TEST_F(PcbaGnss, ChargerFails) {
    ToolRun r = Run(Loader({"--fw-fail", "charger"}), Pcba("0x1ff", {"--blename", "norva_ble", "--fwver", "v1.0.0.1"}));
    EXPECT_EQ(r.status, 0x80);
    EXPECT_EQ(r.LastLine(), "exitcode:0x80");
    EXPECT_TRUE(r.Logged("PcbaTest fail \n"));
    EXPECT_TRUE(r.Logged("PcbaTest() fail\n"));
}

TEST_F(PcbaGnss, BtFailsAndBleNameDiffers) {
    ToolRun r = Run(Loader({"--fw-fail", "bt"}), Pcba("0x3", {"--blename", "norva_ble2", "--fwver", "v1.0.0.1"}));
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.LastLine(), "exitcode:0x3");
    EXPECT_EQ(r.console.find("bt_name:"), std::string::npos);
    EXPECT_TRUE(r.Logged("X bleName error (norva_ble2 vs norva_ble)\n"));
}

TEST_F(PcbaGnss, WifiFailureReachesTheCallerWhole) {
    ToolRun r = Run(Loader({"--fw-fail", "wifi_info"}), Pcba("0x200"));
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.LastLine(), "exitcode:0x200");
}

TEST_F(PcbaGnss, FirmwareNeverEntersTestMode) {
    ToolRun r = Run(Loader({"--fw-enter-test", "fail"}), Pcba("0x3ff"));
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.console, std::string(kBoot) + "exitcode:0x3ff\n");
    EXPECT_TRUE(r.Logged("send: Factory enter_test\n"));
    EXPECT_EQ(r.log.find("send: Factory get_info"), std::string::npos);
}

TEST_F(PcbaGnss, BitBeyondTheItemsNeverPasses) {
    ToolRun r = Run(Loader(), Pcba("0x400"));
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.LastLine(), "exitcode:0x400");
}

TEST_F(PcbaGnss, UnsupportedDeviceType) {
    ToolRun r = Run(Loader(), {"--func", "11", "--baund", "1000000", "--device", "QM2D", "--pcba", "0x1ff"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.console, "percent:1 \nexitcode:0x1ff\n");
    EXPECT_TRUE(r.Logged("X curversion only support QM2B/QM2A/QM2C test\n"));
}

TEST_F(PcbaGnss, PaymentMarkWithMatchingModelId) {
    ToolRun r = Run(Loader({"--fw-model-id", "2734510 "}), Pcba("0x10", {"--third", "-2147483648", "--wechat", "2734510"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.Logged("send: wechat_mark_rw 2\n"));
    EXPECT_TRUE(r.Logged("send: Factory wechatpay\n"));
    EXPECT_TRUE(r.Logged("send: wechat_mark_rw 1\n"));
    EXPECT_EQ(r.console.find("wechat_"), std::string::npos);
}

TEST_F(PcbaGnss, PaymentModelIdWithLineBreakDoesNotMatch) {
    ToolRun r = Run(Loader({"--fw-model-id", "2734510"}), Pcba("0x10", {"--third", "-2147483648", "--wechat", "2734510"}));
    EXPECT_EQ(r.status, 0x10);
    EXPECT_NE(r.console.find("wechat_model_err: 2734510 vs 2734510\r\nwechatpay_e\n"), std::string::npos);
    EXPECT_EQ(r.log.find("send: wechat_mark_rw 1"), std::string::npos);
}

TEST_F(PcbaGnss, PaymentWithoutModelIdLine) {
    ToolRun missing = Run(Loader(), Pcba("0x10", {"--third", "-2147483648", "--wechat", "2734510"}));
    EXPECT_EQ(missing.status, 0x10);
    EXPECT_NE(missing.console.find("wechat_model_err: 2734510 not found\n"), std::string::npos);
}

TEST_F(PcbaGnss, PaymentOldMark) {
    ToolRun old = Run(Loader({"--fw-old-mark", "yes"}), Pcba("0x10", {"--third", "-2147483648"}));
    EXPECT_EQ(old.status, 0);
    EXPECT_NE(old.console.find("percent:95 \nwechat_old\npercent:100 \n"), std::string::npos);
}

TEST_F(PcbaGnss, ThirdFunctionFailureReportsItsValue) {
    ToolRun r = Run(Loader({"--fw-third", "7"}), Pcba("0x10", {"--third", "3"}));
    EXPECT_EQ(r.status, 0x10);
    EXPECT_NE(r.console.find("thirdfunc:7\npercent:100 \nexitcode:0x10\n"), std::string::npos);
    EXPECT_TRUE(r.Logged("thirdfunc:7\n"));
}

std::vector<std::string> Firmware(std::vector<std::string> extra = {}) {
    std::vector<std::string> options{"--device", "QM2B", "--mode", "firmware", "--fw-boot-ms", "0"};
    options.insert(options.end(), extra.begin(), extra.end());
    return options;
}
const std::vector<std::string> kGpsArgs{"--func", "14", "--baund", "1000000"};

TEST_F(PcbaGnss, GnssFullLoadWithProgress) {
    ToolRun r = Run(Firmware(), kGpsArgs);
    EXPECT_EQ(r.status, 0);
    size_t at = r.console.find("info:GNSS,01,01,00\r\ninfo:GNSS,01,02,00\r\ninfo:GNSS,01,03,01,00\r\npercent:0\n");
    EXPECT_NE(at, std::string::npos) << r.console;
    EXPECT_NE(r.console.find("info:GNSS,01,03,04,75\r\npercent:75\ninfo:GNSS,01,03,05,00\r\ninfo:GNSS,01,04,00\r\n"),
              std::string::npos);
    EXPECT_EQ(r.LastLine(), "percent:100 ");
    EXPECT_TRUE(r.Logged("channel GpsLoad start \n"));
    EXPECT_TRUE(r.Logged("R: GNSS,01,04,00\r\n"));
    EXPECT_TRUE(r.Logged("GpsLoad success \n"));
}

TEST_F(PcbaGnss, GnssRepliesSplitAcrossReads) {
    ToolRun r = Run(Firmware({"--fw-split", "11"}), kGpsArgs);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.console.find("info:GNSS,01,03,03,50\r\npercent:50\n"), std::string::npos) << r.console;
}

TEST_F(PcbaGnss, GnssStepsThatFail) {
    ToolRun request = Run(Firmware({"--gnss-request", "fail"}), kGpsArgs);
    EXPECT_EQ(request.status, 255);
    EXPECT_EQ(request.console, [] {
        std::string ten;
        for (int i = 0; i < 10; ++i) ten += "info:GNSS,01,01,01\r\n";
        return ten;
    }());
    EXPECT_TRUE(request.Logged("GpsLoad fail \n"));

    ToolRun start = Run(Firmware({"--gnss-start", "fail"}), kGpsArgs);
    EXPECT_EQ(start.status, 255);
    EXPECT_EQ(start.console, "info:GNSS,01,01,00\r\ninfo:GNSS,01,02,01\r\n");

    ToolRun finish = Run(Firmware({"--gnss-finish", "fail"}), kGpsArgs);
    EXPECT_EQ(finish.status, 255);
    EXPECT_EQ(finish.LastLine(), "info:GNSS,01,04,01\r");
    EXPECT_TRUE(finish.Logged("GpsLoad() fail\n"));
}

}  // namespace
