#pragma once
// The station's main window: the ribbon, the seven channel panels and the
// parameter page in one place, and the five windows beside it. It drives the
// engine's commands and shows the engine's channel state; it owns no job logic.
#include <QMainWindow>
#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "station/engine/settings/ini_keys.h"

class QStackedWidget;
class QTimer;

namespace station {
class StationEngine;
}

namespace station::ui {

class CaliParaWindow;
class ChannelPanel;
class InfoWindow;
class ParameterPage;
class ProjectCodeWindow;
class QtFrontEnd;
class Ribbon;
class SettingsWindow;
class SpecialParaWindow;
class TestParaWindow;

inline constexpr const char* kWindowTitle = "NORVA Torvane (COMMON) 3.5.9";
inline constexpr int kWindowWidth = 940;
inline constexpr int kWindowHeight = 685;
inline constexpr const char* kCloseWhileRunning = "有通道正在运行，确定要停止所有通道并退出吗?";

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // scanPorts: the port scan of the interface in use (fills the channels' ports).
    MainWindow(StationEngine& engine, QtFrontEnd& frontEnd, std::function<void()> scanPorts);
    ~MainWindow() override;

    Ribbon& Ribbons() { return *ribbon_; }
    ChannelPanel* VisiblePanel() const;
    const std::vector<ChannelPanel*>& Panels() const { return panels_; }
    ParameterPage& Parameters() { return *parameters_; }
    InfoWindow& Info() { return *info_; }
    CaliParaWindow& CaliPara() { return *caliPara_; }
    TestParaWindow& TestPara() { return *testPara_; }
    SpecialParaWindow& SpecialPara() { return *specialPara_; }
    ProjectCodeWindow& ProjectCode() { return *projectCode_; }
    bool ParameterPageShown() const { return pageState_ == kPageParameters; }

    // The commands, as the ribbon runs them.
    // Returns the number of channels started, -1 when a check refused.
    int RunAll();
    void ShowParameterPage();
    // The channel panel of the function (the page's own return checks first).
    void ShowFunctionPanel();
    // "返回主界面": false when a check keeps the page open.
    bool LeaveParameterPage();
    void SwitchFunction(int funcType);
    // Enables and ticks the ribbon's commands by the station's state.
    void UpdateRibbon();
    // Handles one station notification (queued onto this thread).
    void OnNotify(int flags, int channel);
    // The screenshot of the window into the screenshot directory; its path,
    // or empty when it could not be written.
    std::string TakeScreenshot();
    // Repaints the visible panel's rows from the channel state.
    void RefreshPanel();
    // The refresh timer's work: the panel's rows, numbers handed out since
    // the last time, the ribbon.
    void RefreshFromState();
    // Stops every channel, waits for the jobs to end and closes, without the
    // question (the station was told to stop from outside).
    void StopAllAndClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    enum PageState { kPagePanel = 0, kPageParameters = 2 };
    void ConnectCommands();
    // Opens a side window dx, dy from the frame's top-left corner.
    void ShowBeside(SettingsWindow* window, int dx, int dy);
    bool SaveOpenSideWindows();
    void ShowHandedOutNumbers();
    void ShowAbout();
    void OpenManual();

    StationEngine& engine_;
    QtFrontEnd& frontEnd_;
    std::function<void()> scanPorts_;
    Ribbon* ribbon_;
    QStackedWidget* pages_;
    std::vector<ChannelPanel*> panels_;
    ParameterPage* parameters_;
    CaliParaWindow* caliPara_;
    TestParaWindow* testPara_;
    InfoWindow* info_;
    SpecialParaWindow* specialPara_;
    ProjectCodeWindow* projectCode_;
    QTimer* refreshTimer_;
    // Read by the engine's start commands, which may come from another front end's thread.
    std::atomic<PageState> pageState_{kPagePanel};
    // PROTECT and MODE_TYPE, read at creation; only the ribbon's own commands
    // change them, so the refresh never reads them from the file.
    bool locked_ = false;
    int monitorMode_ = 0;
    bool closeWithoutAsking_ = false;
    bool panelsSized_ = false;
    // Each channel's MAC and SN texts as last shown.
    std::array<std::pair<std::string, std::string>, kChannelCount> numbersSeen_;
};

}  // namespace station::ui
