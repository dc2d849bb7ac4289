#pragma once
// The station's windows over an engine with stand-in parts, on Qt's
// offscreen platform, in a station root of their own. Message boxes and
// questions are recorded instead of shown.
#include <QApplication>
#include <QCoreApplication>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "station/ui/main_window.h"
#include "station/ui/qt_front_end.h"
#include "unit/station_jobs/job_harness.h"

namespace ui_test {

using namespace station;
using namespace station::ui;

// One application for the whole binary, made once tests run (not while
// they are listed).
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "unit_station_ui";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setStyle("Fusion");
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

class UiTest : public jobs_test::JobTest {
protected:
    void SetUp() override {
        JobTest::SetUp();
        SetStationNotifyReceiver(&qtFrontEnd_);
        qtFrontEnd_.showMessage = [this](const std::string& text) { shown_.push_back(text); };
        qtFrontEnd_.askQuestion = [this](const std::string& text) {
            asked_.push_back(text);
            return answer_;
        };
    }
    void TearDown() override {
        window_.reset();
        SetStationNotifyReceiver(nullptr);
        engine_.reset();
        JobTest::TearDown();
    }

    // The engine (with the window as its front end) and the window over it.
    MainWindow& Window(int funcType = 1) {
        if (!window_) {
            Set("COMMON_SET", "FUNC_TYPE", std::to_string(funcType));
            engine_ = std::make_unique<StationEngine>(*settings_, channels_,
                                                      StationParts{runner_, numbers_, boot_, qtFrontEnd_, clock_});
            engine_->Functions().Load(*settings_);
            clock_.engine = engine_.get();
            for (int ch = 1; ch <= 16; ++ch) channels_[ch].port.Set("/dev/pts/" + std::to_string(90 + ch));
            window_ = std::make_unique<MainWindow>(*engine_, qtFrontEnd_, [this] { ++scans_; });
        }
        return *window_;
    }
    std::string Get(const std::string& section, const std::string& key) {
        return common::IniReadString(root_ + "/Torvane.ini", section, key, "<absent>");
    }
    // Lets queued notifications reach the window.
    static void Deliver() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    QtFrontEnd qtFrontEnd_;
    std::vector<std::string> shown_, asked_;
    bool answer_ = true;
    int scans_ = 0;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace ui_test
