#pragma once
// A station root for a test: its directories, and the main log installed
// there with a fixed time so that its text can be compared whole.
#include <regex>
#include <string>

#include "station/engine/log/log_paths.h"
#include "station/engine/log/main_log.h"
#include "unit/common/test_files.h"

namespace burnlist_test {

class StationRoot : public ::testing::Test {
protected:
    void SetUp() override {
        station::CreateStationDirectories(root.path());
        station::InstallMainLog(std::make_shared<station::MainLog>(root.path(), [] { return platform::LocalTime{}; }));
    }
    void TearDown() override { station::InstallMainLog(nullptr); }

    // The main log with the time stamp and channel of each line taken away.
    std::string LogText() const {
        static const std::regex stamp("(^|\n)[0-9]{2}:[0-9]{2}:[0-9]{2}:[0-9]{3}  \\[0\\] ");
        return std::regex_replace(root.Read("log/log(0000-00-00).txt"), stamp, "$1");
    }
    void ClearLog() const { std::remove(root.Path("log/log(0000-00-00).txt").c_str()); }

    common_test::TempDir root;
};

}  // namespace burnlist_test
