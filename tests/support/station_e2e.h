#pragma once
// End-to-end tests of the station's engine: the tools' fixture with the test
// directory as the station root and its main log installed there.
#include <memory>
#include <string>

#include "platform/local_time.h"
#include "station/engine/log/log_paths.h"
#include "station/engine/log/main_log.h"
#include "tests/support/tool_e2e.h"

namespace testing_support {

class StationE2e : public ToolE2e {
protected:
    void SetUp() override {
        ToolE2e::SetUp();
        station::CreateStationDirectories(dir_);
        station::InstallMainLog(std::make_shared<station::MainLog>(dir_));
    }
    void TearDown() override {
        station::InstallMainLog(nullptr);
        ToolE2e::TearDown();
    }

    std::string MainLog() const { return FileText(station::MainLogPath(dir_, platform::LocalTimeNow())); }
    bool Logged(const std::string& text) const { return MainLog().find(text) != std::string::npos; }
};

}  // namespace testing_support
