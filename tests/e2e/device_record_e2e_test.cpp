// The device record of `Torvane --headless` end to end: one JSON line per
// device in "record/devices(YYYY_MM_DD).jsonl", written before the verdict
// line, naming the numbers, steps and images that went to that device.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "common/image_crc.h"
#include "station/engine/record/device_record.h"
#include "tests/support/station_root.h"

namespace {

using nlohmann::json;

class DeviceRecordE2e : public testing_support::StationRoot {
protected:
    std::string RecordsPath() const {
        return station::DeviceRecordsPath(root_, platform::LocalTimeNow());
    }
    std::vector<json> Records() const {
        std::vector<json> records;
        std::istringstream in(testing_support::FileText(RecordsPath()));
        for (std::string line; std::getline(in, line);) records.push_back(json::parse(line));
        return records;
    }
};

TEST_F(DeviceRecordE2e, EveryDeviceGetsOneRecordWithItsNumbersStepsAndImages) {
    Configure("QM2D", 1000000);
    AddDevice(1, "QM2D");
    AddDevice(2, "QM2D", {"--fail-command", "dfu_recv"});

    testing_support::StationRun run = RunStation({"--make-list", "--start", "1,2"});
    EXPECT_EQ(run.exitCode, 1);
    const std::vector<json> records = Records();
    ASSERT_EQ(records.size(), 2u);
    std::map<int, json> byChannel;
    for (const json& r : records) byChannel[r["channel"].get<int>()] = r;
    EXPECT_NE(byChannel[1]["id"], byChannel[2]["id"]);

    const json& pass = byChannel[1];
    EXPECT_EQ(pass["verdict"], "PASS");
    EXPECT_EQ(pass["function"], 1);
    EXPECT_EQ(pass["device"], "QM2D");
    // The numbers the verdict line shows.
    const std::string verdictLine = "ch1 PASS ";
    bool shown = false;
    for (const std::string& line : run.lines)
        if (line.rfind(verdictLine, 0) == 0) {
            shown = true;
            EXPECT_NE(line.find(" mac=" + pass["mac"].get<std::string>() + " sn=" + pass["sn"].get<std::string>()),
                      std::string::npos) << line;
        }
    EXPECT_TRUE(shown);
    EXPECT_EQ(pass["mac"].get<std::string>().size(), 12u);
    EXPECT_EQ(pass["cause"], "");
    EXPECT_TRUE(std::regex_match(pass["start"].get<std::string>(),
                                 std::regex("20[0-9]{2}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}[+-][0-9]{2}:[0-9]{2}")));
    EXPECT_LE(pass["start"].get<std::string>(), pass["end"].get<std::string>());
    ASSERT_EQ(pass["steps"].size(), 1u);
    EXPECT_EQ(pass["steps"][0], (json{{"step", "download"}, {"tool", "Pirrow"}, {"exit_status", 0}}));
    // The factory data and the application, as they are in flash.
    bool app = false;
    for (const json& image : pass["images"]) {
        if (image["address"] != "0x10020000") continue;
        app = true;
        char crc[16];
        std::snprintf(crc, sizeof crc, "0x%08X", common::ImageCrc(image_.data(), image_.size()));
        EXPECT_EQ(image["length"], image_.size());
        EXPECT_EQ(image["crc"], crc);
    }
    EXPECT_TRUE(app) << pass.dump();
    EXPECT_EQ(pass["images"].size(), 2u) << pass.dump();

    // Started with its own button, the failed device tried once; its numbers
    // are named (they stay reserved for its next device) and no image is.
    const json& fail = byChannel[2];
    EXPECT_EQ(fail["verdict"], "FAIL");
    EXPECT_EQ(fail["mac"].get<std::string>().size(), 12u);
    EXPECT_NE(fail["mac"], pass["mac"]);
    EXPECT_NE(fail["cause"], "") << fail.dump();
    ASSERT_EQ(fail["steps"].size(), 1u);
    EXPECT_NE(fail["steps"][0]["exit_status"], 0);
    EXPECT_TRUE(fail["images"].empty());

    // A record that cannot be written is shown and logged; the verdict stands.
    std::filesystem::remove(RecordsPath());
    std::filesystem::create_directories(RecordsPath());
    run = RunStation({"--start", "2"});
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[1].rfind("ch2 FAIL ", 0), 0u) << run.lines[1];
    EXPECT_EQ(CountInMainLog("x FactoryInfo记录写入失败：" + RecordsPath() + " "), 1);
}

}  // namespace
