#pragma once
// A station root for allocation tests: Torvane.ini with the given settings, a
// station burn list, the main log of the root, the messages shown and a
// virtual clock. Main-log text is read back without its time stamps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "common/ini_profile.h"
#include "platform/clock.h"
#include "station/engine/alloc/mac_sn_allocator.h"
#include "station/engine/log/main_log.h"
#include "unit/common/test_files.h"

namespace alloc_test {

inline constexpr const char* kStationList =
    "[FILEINFO]\r\nFILE0=ble.bin\r\nADDR0=0x1000e000\r\nFILE1=/images/app.bin\r\nADDR1=0x10020000\r\n";

// A script of the repository's scripts directory.
inline std::string ScriptPath(const std::string& name) { return std::string(STATION_SOURCE_DIR) + "/scripts/" + name; }

class AllocFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(system(("mkdir -p " + root_.Path("temp") + " " + root_.Path("log")).c_str()), 0);
        root_.Write("temp/ImgBurnList.txt", kStationList);
        station::InstallMainLog(std::make_shared<station::MainLog>(root_.path()));
    }
    void TearDown() override { station::InstallMainLog(nullptr); }

    void Set(const std::string& section, const std::string& key, const std::string& value) {
        ASSERT_TRUE(common::IniWriteString(Ini(), section, key, value));
    }
    std::string Get(const std::string& section, const std::string& key) {
        return common::IniReadString(Ini(), section, key, "<absent>");
    }
    std::string Ini() const { return root_.Path("Torvane.ini"); }

    // A MAC range and 8-digit serial numbers with a prefix.
    void UseRangeAndSerials() {
        Set("BLE_SET", "ENABLE_FLAG", "1");
        Set("BLE_SET", "START_ADDR", "C0FFEE000001");
        Set("BLE_SET", "CUR_ADDR", "C0FFEE000001");
        Set("BLE_SET", "END_ADDR", "C0FFEE0000FF");
        Set("SN_SET", "ENABLE_FLAG", "1");
        Set("SN_SET", "SN_DES", "NV");
        Set("SN_SET", "START_VALUE", "00000001");
        Set("SN_SET", "CUR_VALUE", "00000001");
    }

    station::MacSnAllocator& Allocator() {
        if (!allocator_) {
            allocator_ = std::make_unique<station::MacSnAllocator>(
                station::StationSettings(root_.path()),
                [this](const std::string& m) {
                    std::lock_guard<std::mutex> guard(messagesLock_);
                    messages_.push_back(m);
                },
                clock_);
            allocator_->SetStationIdentifier("A1B2C3D4E5F6");
            allocator_->ArmMessages();
        }
        return *allocator_;
    }

    // The main log with the time stamps taken off ("[3] text" lines).
    std::string LogText() const {
        std::string all;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(root_.Path("log"), ec)) {
            std::ifstream in(e.path(), std::ios::binary);
            all += std::string(std::istreambuf_iterator<char>(in), {});
        }
        static const std::regex stamp("(^|\n)[0-9]{2}:[0-9]{2}:[0-9]{2}:[0-9]{3}  ");
        return std::regex_replace(all, stamp, "$1");
    }

    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> guard(messagesLock_);
        return messages_;
    }

    common_test::TempDir root_;
    platform::VirtualClock clock_;
    std::unique_ptr<station::MacSnAllocator> allocator_;
    std::mutex messagesLock_;
    std::vector<std::string> messages_;
};

}  // namespace alloc_test
