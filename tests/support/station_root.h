#pragma once
// A station root for end-to-end runs of `Torvane` (headless, or with its
// windows on Qt's offscreen platform): a temporary directory with
// Torvane.ini, a RAM loader, an application image and one virtual device per
// channel, and runs of the station with its output lines, exit status, main
// log, FactoryInfo record and the devices' state read back.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/ini_profile.h"
#include "devsim/model/state_file.h"
#include "tests/support/tool_e2e.h"

namespace testing_support {

constexpr uint32_t kStationAppAddress = 0x10020000;

struct StationRun {
    int exitCode = -1;
    std::vector<std::string> lines;  // standard output, one entry per line
};

// The MAC (as the station's text shows it, "%04X%08X") in a device's records.
inline std::string MacOf(const devsim::StateFile& state) {
    const devsim::OtpValue* mac = state.state.otp.Find(1);
    if (!mac || mac->bytes.size() != 6) return "";
    std::string text;
    char digits[3];
    for (size_t k = 6; k-- > 0;) {
        std::snprintf(digits, sizeof digits, "%02X", mac->bytes[k]);
        text += digits;
    }
    return text;
}

inline std::string SnOf(const devsim::StateFile& state) {
    const devsim::OtpValue* sn = state.state.otp.Find(2);
    return sn ? std::string(sn->bytes.begin(), sn->bytes.end()) : "";
}

class StationRoot : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/station_root_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        std::filesystem::create_directories(root_ + "/file");
        WriteFile(root_ + "/file/ram_patch.bin", Pattern(328 + 548 * 4 + 100, 9));
        WriteFile(root_ + "/file/sig_pub.der", Pattern(294, 3));
        image_ = Pattern(0x10000 + 123, 5);
        WriteFile(root_ + "/file/app.bin", image_);
    }
    void TearDown() override {
        devices_.clear();
        std::filesystem::remove_all(root_);
    }

    void Set(const std::string& section, const std::string& key, const std::string& value) {
        ASSERT_TRUE(common::IniWriteString(root_ + "/Torvane.ini", section, key, value));
    }
    std::string Get(const std::string& section, const std::string& key) {
        return common::IniReadString(root_ + "/Torvane.ini", section, key);
    }

    // A burn line of `device` devices over UART at `baud`: one image, the
    // MAC range from 001122330000 and serial numbers "NV" + 8 digits.
    void Configure(const std::string& device, int baud, int funcType = 1) {
        Set("COMMON_SET", "FUNC_TYPE", std::to_string(funcType));
        Set("COMMON_SET", "PORT_TYPE", "1");
        Set("COMMON_SET", "JLINK_PATH", std::string(STATION_BIN_DIR) + "/virtual-jlink");
        Set("UART_FILTER", "BAUND", std::to_string(baud));
        Set("UART_FILTER", "FILTER_FLAG", "2");
        Set("DEV_SET", "DEV_NUM", "1");
        Set("DEV_SET", "DEV_NAME0", device);
        Set("DEV_SET", "DEV_IDX", "0");
        Set("UART_DRIVER", device, "ram_patch.bin");
        Set("FILE_SET", "FILE_NUM", "1");
        Set("FILE_SET", "FILE_PATH_0", root_ + "/file/app.bin");
        Set("FILE_SET", "FILE_ADDR_0", "0x10020000");
        Set("FILE_SET", "FILE_SEL_0", "1");
        Set("BLE_SET", "ENABLE_FLAG", "1");
        Set("BLE_SET", "START_ADDR", "001122330000");
        Set("BLE_SET", "END_ADDR", "0011223300FF");
        Set("BLE_SET", "CUR_ADDR", "001122330000");
        Set("SN_SET", "ENABLE_FLAG", "1");
        Set("SN_SET", "SN_DES", "NV");
        Set("SN_SET", "START_VALUE", "00000001");
        Set("SN_SET", "CUR_VALUE", "00000001");
        Set("LOG_SET", "CHANEL_LOG", "1");
        Set("LOG_SET", "VERIFY_FLAG", "1");
    }

    // A virtual device on channel `channel` (state file "device<ch>.state"),
    // and the channel bound to its port.
    // With a line of devices (extra holds --line) devsim keeps their states
    // in its --state-dir instead.
    void AddDevice(int channel, const std::string& type, std::vector<std::string> extra = {}) {
        std::vector<std::string> options{"--device", type, "--mode", "bootrom"};
        if (std::find(extra.begin(), extra.end(), "--line") == extra.end())
            options.insert(options.end(), {"--state", StatePath(channel)});
        options.insert(options.end(), extra.begin(), extra.end());
        auto device = std::make_unique<DevsimProcess>();
        ASSERT_TRUE(device->Start(options));
        Set("UART_FILTER", "CH" + std::to_string(channel) + "_PORT", device->PtyPath());
        Set("CHAN_SET", "CH" + std::to_string(channel), "1");
        devices_[channel] = std::move(device);
    }
    std::string StatePath(int channel) const { return root_ + "/device" + std::to_string(channel) + ".state"; }

    devsim::StateFile StopDevice(int channel) {
        devsim::StateFile state;
        std::string error;
        EXPECT_TRUE(devices_.at(channel)->StopAndLoadState(state, &error)) << error;
        return state;
    }

    // The device of `channel` holds the application image and the numbers
    // the station gave it (its SN with the "NV" descriptor).
    void ExpectDeviceBurned(int channel, const std::string& mac, const std::string& sn) {
        const devsim::StateFile state = StopDevice(channel);
        std::vector<uint8_t> flash;
        ASSERT_TRUE(state.state.flash.Read(kStationAppAddress, uint32_t(image_.size()), flash));
        EXPECT_EQ(flash, image_) << "channel " << channel;
        EXPECT_EQ(MacOf(state), mac) << "channel " << channel;
        EXPECT_EQ(SnOf(state), "NV" + sn) << "channel " << channel;
    }

    StationRun RunStation(std::vector<std::string> options, int limitMs = 120000) {
        options.insert(options.begin(), "--headless");
        return RunTorvane(options, {}, limitMs);
    }
    // The station with its windows, on Qt's offscreen platform.
    StationRun RunWindowedStation(const std::vector<std::string>& options, int limitMs = 120000) {
        return RunTorvane(options, {{"QT_QPA_PLATFORM", "offscreen"}}, limitMs);
    }
    StationRun RunTorvane(const std::vector<std::string>& options,
                          std::vector<std::pair<std::string, std::string>> env, int limitMs) {
        std::vector<std::string> args{std::string(STATION_BIN_DIR) + "/Torvane"};
        args.insert(args.end(), options.begin(), options.end());
        StationRun run;
        platform::ChildProcess child;
        if (!child.Start(args, platform::ChildOptions{root_, std::move(env)})) {
            ADD_FAILURE() << "Torvane did not start";
            return run;
        }
        std::string out;
        platform::Clock& clock = platform::SystemClock();
        const uint64_t deadline = clock.NowMs() + uint64_t(limitMs);
        while (child.ReadAvailable(out, 200)) {
            if (clock.NowMs() > deadline) {
                ADD_FAILURE() << "Torvane did not end within " << limitMs << " ms";
                child.Kill();
                break;
            }
        }
        run.exitCode = child.Wait();
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) run.lines.push_back(line);
        return run;
    }

    std::string MainLog() const {
        std::string all;
        if (!std::filesystem::exists(root_ + "/log")) return all;  // the station has not started yet
        for (const auto& entry : std::filesystem::directory_iterator(root_ + "/log"))
            if (entry.path().filename().string().rfind("log(", 0) == 0) all += FileText(entry.path());
        return all;
    }
    int CountInMainLog(const std::string& text) const {
        const std::string log = MainLog();
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }
    std::vector<std::string> FactoryInfoLines() const {
        std::vector<std::string> lines;
        if (!std::filesystem::exists(root_ + "/record")) return lines;
        for (const auto& entry : std::filesystem::directory_iterator(root_ + "/record")) {
            if (entry.path().filename().string().rfind("FactoryInfo(", 0) != 0) continue;
            std::istringstream in(FileText(entry.path()));
            for (std::string line; std::getline(in, line);) lines.push_back(line);
        }
        return lines;
    }

    std::string root_;
    std::vector<uint8_t> image_;
    std::map<int, std::unique_ptr<DevsimProcess>> devices_;
};

}  // namespace testing_support
