#include "station/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "platform/local_time.h"
#include "platform/paths.h"
#include "station/engine/jobs/function_type.h"
#include "station/engine/jobs/ribbon_commands.h"
#include "station/engine/jobs/station_engine.h"
#include "station/engine/log/log_paths.h"
#include "station/engine/log/main_log.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"
#include "station/ui/cali_para_window.h"
#include "station/ui/channel_panel.h"
#include "station/ui/info_window.h"
#include "station/ui/parameter_page.h"
#include "station/ui/qt_front_end.h"
#include "station/ui/ribbon.h"
#include "station/ui/settings_window.h"
#include "station/ui/ui_text.h"
#include "station/ui/window_capture.h"

namespace station::ui {

namespace {
// Progress moves without notices; the visible rows are repainted this often.
constexpr int kRefreshMs = 250;
constexpr int kRibbonFontPixels = 14;

// The test items the ribbon toggles, with their bits.
const std::pair<const char*, int> kTestItems[] = {
    {"ID_FWINFO_SEL", 0x1}, {"ID_BT_SEL", 0x2},     {"ID_GSENSOR_SEL", 0x4}, {"ID_MAC_SEL", 0x8},
    {"ID_HR_SEL", 0x20},    {"ID_FLASH_SEL", 0x40}, {"ID_CHARGE_SEL", 0x80}, {"ID_ALPAY_SEL", 0x200},
};
const std::pair<const char*, int> kFunctionSwitches[] = {
    {"ID_FUNCSEL_BURN", 1}, {"ID_FUNCSEL_ERASE", 2}, {"ID_FUNCSEL_CALI", 4}, {"ID_FUNCSEL_BURN_CALI", 5}};
const std::pair<const char*, int> kMonitorModes[] = {
    {"ID_MONITOR_NO", 0}, {"ID_MONITOR_ONCE", 1}, {"ID_MONITOR_LOOP", 2}};
}  // namespace

MainWindow::MainWindow(StationEngine& engine, QtFrontEnd& frontEnd, std::function<void()> scanPorts)
    : engine_(engine), frontEnd_(frontEnd), scanPorts_(std::move(scanPorts)) {
    setWindowTitle(Q(kWindowTitle));
    resize(kWindowWidth, kWindowHeight);
    setMinimumSize(kWindowWidth, kWindowHeight);
    frontEnd_.SetWindow(this);

    ribbon_ = new Ribbon(*this);
    pages_ = new QStackedWidget(this);
    for (const PanelVariant& variant : PanelVariants()) {
        auto* panel = new ChannelPanel(variant, engine_, pages_);
        panels_.push_back(panel);
        pages_->addWidget(panel);
    }
    parameters_ = new ParameterPage(engine_, frontEnd_, pages_);
    pages_->addWidget(parameters_);
    setCentralWidget(pages_);

    caliPara_ = new CaliParaWindow(engine_.Settings(), frontEnd_, this);
    specialPara_ = new SpecialParaWindow(engine_.Settings(), this);
    projectCode_ = new ProjectCodeWindow(engine_.Settings(), this);
    testPara_ = new TestParaWindow(engine_.Settings(), this);
    info_ = new InfoWindow(engine_.Channels(), this);
    connect(parameters_, &ParameterPage::FileListRefreshed, info_, &InfoWindow::Rebuild);
    connect(parameters_, &ParameterPage::ReturnRequested, this, [this] { LeaveParameterPage(); });
    connect(parameters_, &ParameterPage::DeviceChanged, caliPara_,
            [this](const QString& device) { caliPara_->ShowResistancesFor(S(device)); });

    frontEnd_.secondaryScreenOpen = [this] { return ParameterPageShown(); };
    frontEnd_.returnToMainScreen = [this] { return LeaveParameterPage(); };
    connect(&frontEnd_, &QtFrontEnd::Notified, this, &MainWindow::OnNotify, Qt::QueuedConnection);

    locked_ = engine_.Settings().Read(COMMON_SET::PROTECT);
    monitorMode_ = engine_.Settings().Read(COMMON_SET::MODE_TYPE);
    ConnectCommands();
    const int func = engine_.Functions().Func();
    ribbon_->ShowFunctionGroups(func, true);
    ribbon_->SetRunCaption(func);
    ribbon_->ShowLocked(locked_);
    ShowFunctionPanel();
    parameters_->LoadFromSettings();

    refreshTimer_ = new QTimer(this);
    connect(refreshTimer_, &QTimer::timeout, this, &MainWindow::RefreshFromState);
    refreshTimer_->start(kRefreshMs);
    UpdateRibbon();
}

MainWindow::~MainWindow() {
    frontEnd_.secondaryScreenOpen = nullptr;
    frontEnd_.returnToMainScreen = nullptr;
    frontEnd_.SetWindow(nullptr);
}

void MainWindow::ConnectCommands() {
    const StationSettings& settings = engine_.Settings();
    auto on = [this](const char* name, auto handler) {
        connect(ribbon_->Action(name), &QAction::triggered, this, [this, handler] {
            handler();
            UpdateRibbon();
        });
    };
    on("ID_RUNALL", [this] { RunAll(); });
    on("ID_RUNALL_SIMPLE", [this] { RunAll(); });
    on("ID_STOPALL", [this] { engine_.StopAll(); });
    on("ID_SELLALL", [this, &settings] {
        ToggleAllChannels(settings);
        for (ChannelPanel* panel : panels_) panel->LoadChecks();
    });
    on("ID_SCANPORT", [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (scanPorts_) scanPorts_();
        QApplication::restoreOverrideCursor();
        RefreshPanel();
    });
    on("ID_CLEANSTATUS", [this] {
        ClearChannelStatus(engine_.Channels());
        RefreshPanel();
        for (int channel = 1; channel <= kChannelCount; ++channel) info_->RefreshRow(channel);
    });
    on("ID_BURNFILE_SET", [this] {
        if (ParameterPageShown())
            LeaveParameterPage();
        else
            ShowParameterPage();
    });
    on("ID_LOCKALL", [this, &settings] {
        locked_ = ToggleLock(settings);
        ribbon_->ShowLocked(locked_);
    });
    for (const auto& [name, func] : kFunctionSwitches) {
        const int value = func;
        on(name, [this, value] { SwitchFunction(value); });
    }
    on("ID_CRYSTAL_CALI", [this, &settings] { ToggleCalibrationBit(engine_.Functions(), settings, kCaliCrystal); });
    on("ID_BATTERY_CALI", [this, &settings] { ToggleCalibrationBit(engine_.Functions(), settings, kCaliBattery); });
    on("ID_CALI_PARA", [this] { ShowBeside(caliPara_, 14, 152); });
    on("ID_ERASE_FLASH", [this, &settings] { ToggleEraseBit(engine_.Functions(), settings, kEraseWholeFlash); });
    on("ID_ERASE_NORMAL", [this, &settings] { ToggleEraseBit(engine_.Functions(), settings, kEraseNonFactoryArea); });
    for (const auto& [name, bit] : kTestItems) {
        const int value = bit;
        on(name, [this, &settings, value] { ToggleTestBit(engine_.Functions(), settings, value); });
    }
    on("ID_TEST_PARA", [this] { ShowBeside(testPara_, 14, 152); });
    for (const auto& [name, mode] : kMonitorModes) {
        const int value = mode;
        on(name, [this, &settings, value] {
            SelectMonitorMode(settings, value);
            monitorMode_ = value;
        });
    }
    on("ID_APP_INFO", [this] {
        info_->show();
        info_->move(frameGeometry().right() - 16 - info_->frameGeometry().width(), frameGeometry().top() + 110);
    });
    on("ID_APP_ABOUT", [this] { ShowAbout(); });
    on("ID_APP_MANUAL", [this] { OpenManual(); });
}

ChannelPanel* MainWindow::VisiblePanel() const {
    return panels_.at(size_t(PanelIndexFor(engine_.Functions().Func())));
}

void MainWindow::ShowFunctionPanel() {
    ChannelPanel* panel = VisiblePanel();
    panel->RefreshAll();
    pages_->setCurrentWidget(panel);
    pageState_ = kPagePanel;
}

void MainWindow::RefreshPanel() {
    if (pageState_ == kPagePanel) VisiblePanel()->RefreshAll();
}

void MainWindow::RefreshFromState() {
    RefreshPanel();
    ShowHandedOutNumbers();
    UpdateRibbon();
}

// A channel's numbers are handed out early in its job: the information
// window and a visible parameter page show them then, not at the job's end.
void MainWindow::ShowHandedOutNumbers() {
    bool handedOut = false;
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const ChannelState& row = engine_.Channels()[channel];
        std::pair<std::string, std::string> numbers{row.macText.Get(), row.snText.Get()};
        std::pair<std::string, std::string>& seen = numbersSeen_[size_t(channel - 1)];
        if (numbers == seen) continue;
        handedOut |= !numbers.first.empty() || !numbers.second.empty();
        seen = std::move(numbers);
        info_->RefreshRow(channel);
    }
    if (handedOut && ParameterPageShown()) parameters_->ShowCurrentNumbers();
}

void MainWindow::ShowBeside(SettingsWindow* window, int dx, int dy) {
    window->Open();
    window->move(frameGeometry().left() + dx, frameGeometry().top() + dy);
}

// A visible calibration or test window is saved and closed before a run;
// false when a field was refused (the run does not start).
bool MainWindow::SaveOpenSideWindows() {
    const int func = engine_.Functions().Func();
    if ((func & kFuncCalibrate) && caliPara_->isVisible() && !caliPara_->Confirm()) return false;
    if ((func & kFuncTest) && testPara_->isVisible()) testPara_->Confirm();
    return true;
}

int MainWindow::RunAll() {
    if (!SaveOpenSideWindows()) return -1;
    const int started = engine_.StartAll();
    RefreshPanel();
    return started;
}

void MainWindow::ShowParameterPage() {
    parameters_->ShowCurrentNumbers();
    pages_->setCurrentWidget(parameters_);
    pageState_ = kPageParameters;
}

bool MainWindow::LeaveParameterPage() {
    if (!parameters_->Confirm()) return false;
    ShowFunctionPanel();
    for (int channel = 1; channel <= kChannelCount; ++channel) engine_.Channels()[channel].port.Set(kNoPort);
    if (scanPorts_) scanPorts_();
    RefreshPanel();
    return true;
}

void MainWindow::SwitchFunction(int funcType) {
    const int before = engine_.Functions().Func();
    if (funcType == before || !engine_.SelectFunction(funcType)) return;
    ribbon_->ShowFunctionGroups(funcType, false);
    ribbon_->SetRunCaption(funcType);
    VisiblePanel()->ShowFresh();
    if (pageState_ == kPagePanel) ShowFunctionPanel();
    parameters_->ApplyFunction();
}

void MainWindow::UpdateRibbon() {
    FunctionSelection& functions = engine_.Functions();
    const RibbonAvailability rules = RibbonRules(engine_.Channels(), locked_, functions.Func());
    auto set = [this](const char* name, bool enabled) { ribbon_->Action(name)->setEnabled(enabled); };
    auto tick = [this](const char* name, bool checked) { ribbon_->Action(name)->setChecked(checked); };
    set("ID_RUNALL", rules.runAll);
    set("ID_RUNALL_SIMPLE", rules.runAll);
    set("ID_STOPALL", rules.stopAll);
    set("ID_SELLALL", rules.idleOnly);
    set("ID_SCANPORT", rules.idleOnly);
    set("ID_CLEANSTATUS", rules.idleOnly);
    set("ID_BURNFILE_SET", rules.parameters);
    tick("ID_LOCKALL", locked_);
    for (const char* name : {"ID_CRYSTAL_CALI", "ID_BATTERY_CALI", "ID_CALI_PARA"}) set(name, rules.caliItems);
    tick("ID_CRYSTAL_CALI", functions.Cali() & kCaliCrystal);
    tick("ID_BATTERY_CALI", functions.Cali() & kCaliBattery);
    for (const char* name : {"ID_ERASE_FLASH", "ID_ERASE_NORMAL"}) set(name, rules.eraseItems);
    tick("ID_ERASE_FLASH", functions.Erase() & kEraseWholeFlash);
    tick("ID_ERASE_NORMAL", functions.Erase() & kEraseNonFactoryArea);
    for (const auto& [name, bit] : kTestItems) tick(name, functions.Test() & bit);
    // No command of their own: they only show their bits.
    set("ID_TP_SEL", false);
    set("ID_VOLTAD_SEL", false);
    tick("ID_TP_SEL", functions.Test() & 0x10);
    tick("ID_VOLTAD_SEL", functions.Test() & 0x100);
    // Always offered: a switch while channels work is refused with its message.
    for (const auto& [name, func] : kFunctionSwitches) tick(name, functions.Func() == func);
    for (const auto& [name, value] : kMonitorModes) tick(name, monitorMode_ == value);
}

void MainWindow::OnNotify(int flags, int channel) {
    ChannelPanel* panel = VisiblePanel();
    const bool rowChannel = channel >= 1 && channel <= kChannelCount;
    if ((flags & kNotifyEnableCheckBox) && rowChannel)
        for (ChannelPanel* each : panels_) each->SetCheckEnabled(channel, true);
    if ((flags & kNotifyDisableCheckBox) && rowChannel)  // sent as a channel's job is armed
        for (ChannelPanel* each : panels_) {
            each->SetCheckEnabled(channel, false);
            each->JobStarted(channel);
        }
    // The engine has written the FactoryInfo line already; the row repaints.
    if ((flags & kNotifyJobFinished) && rowChannel) {
        panel->RefreshRow(channel);
        info_->RefreshRow(channel);
    }
    if (flags & kNotifyScreenshot) TakeScreenshot();
    if (flags & kNotifyRefreshPanels)
        for (int n = 1; n <= kChannelCount; ++n)
            if (channel & RefreshChannelBit(n)) panel->RefreshRow(n);
    UpdateRibbon();
}

std::string MainWindow::TakeScreenshot() {
    const std::string path = ScreenshotPath(engine_.Settings().Root(), platform::LocalTimeNow());
    return WriteBmp24(path, CaptureWindow(*this)) ? path : std::string();
}

// Closing while channels work asks first, then stops them all and waits for
// their jobs to end, so no tool is left running and no number is lost.
void MainWindow::StopAllAndClose() {
    closeWithoutAsking_ = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (engine_.AnyActive()) {
        if (!closeWithoutAsking_ && !frontEnd_.Ask(kCloseWhileRunning)) {
            event->ignore();
            return;
        }
        engine_.StopAll();
        while (engine_.AnyActive()) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(20);
        }
    }
    caliPara_->hide();
    testPara_->hide();
    info_->hide();
    event->accept();
}

// The panels scale from the size they have once the window is first shown
// and laid out, not from a size of the start-up before that.
void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (panelsSized_ || event->spontaneous()) return;
    panelsSized_ = true;
    for (ChannelPanel* panel : panels_) panel->SetFirstSize(pages_->size());
}

// The ribbon's font grows with the window's height, never below its first size.
void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    const double factor = double(height()) / kWindowHeight;
    if (factor >= 1) ribbon_->ScaleFont(kRibbonFontPixels + int(10 * (factor - 1)));
    ribbon_->FitWidth(width());
}

void MainWindow::ShowAbout() {
    QMessageBox box(this);
    box.setWindowTitle(Q("关于 Torvane"));
    box.setText(Q("Torvane，3.1.2 版"));
    box.setInformativeText(Q("本软件仅用于产线烧录与测试，使用前请确认参数设置正确。"));
    QPushButton* manual = box.addButton(Q("使用说明"), QMessageBox::HelpRole);
    box.addButton(QMessageBox::Ok);
    box.exec();
    if (box.clickedButton() == manual) OpenManual();
}

// The operator is told which file was looked for, or that no viewer took it.
void MainWindow::OpenManual() {
    const std::string path = engine_.Settings().Root() + "/doc/Torvane使用说明.pdf";
    if (!platform::FileExists(path)) {
        frontEnd_.Message("x 未找到使用说明文件: " + path);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)))) frontEnd_.Message("x 无法打开使用说明文件: " + path);
}

}  // namespace station::ui
