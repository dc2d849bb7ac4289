// The main window over the engine: which panel shows, what the ribbon
// writes and when it is locked, a channel row following a job, screenshots
// and closing while channels run.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QMenu>
#include <QResizeEvent>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <fstream>
#include <thread>

#include "station/engine/log/bmp_writer.h"
#include "station/ui/channel_panel.h"
#include "station/ui/channel_progress_bar.h"
#include "station/ui/ribbon.h"
#include "station/ui/station_colours.h"
#include "unit/station_ui/ui_harness.h"

namespace ui_test {
namespace {

QColor TextColour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

// The windows' waits end as soon as their state is reached; this only
// bounds a state that never comes.
constexpr int kSafetyMs = 60000;

TEST_F(UiTest, WindowHasItsTitleSizesAndThePanelOfTheFunction) {
    struct Case {
        int func;
        const char* panel;
        const char* run;
    };
    const Case cases[] = {{1, "CDownloadDlg", "烧录"},    {2, "CDownloadDlg", "擦除"},   {16, "CDownloadDlg", "烧录"} /* replaced by burn at start */,
                          {4, "CDownloadCDlg", "校准"},   {8, "CDownloadTDlg", "测试"},  {5, "CDownloadBCDlg", "烧+校"},
                          {13, "CDownloadBCTDlg", "全流程"}, {9, "CDownloadBTDlg", "烧+测"}, {12, "CDownloadCTDlg", "校+测"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.func);
        MainWindow& window = Window(c.func);
        EXPECT_EQ(window.VisiblePanel()->objectName(), c.panel);
        EXPECT_EQ(window.Ribbons().Action("ID_RUNALL")->text(), QString::fromUtf8(c.run));
        window_.reset();
        engine_.reset();
    }
    MainWindow& window = Window(13);
    EXPECT_EQ(window.windowTitle(), "NORVA Torvane (COMMON) 3.5.9");
    EXPECT_EQ(window.minimumSize(), QSize(940, 685));
    EXPECT_EQ(window.size(), QSize(940, 685));
    // Start-up shows the groups of every bit of the function.
    const std::vector<QString> groups = window.Ribbons().GroupCaptions();
    EXPECT_EQ(groups.size(), 11u);
    EXPECT_EQ(groups[9], QString::fromUtf8("校准项"));
    EXPECT_EQ(groups[10], QString::fromUtf8("PCBA测试项"));
    ChannelPanel* panel = window.VisiblePanel();
    EXPECT_EQ(panel->Cell(1, 0)->text(), "-");
    EXPECT_EQ(panel->CheckBox(16)->text(), QString::fromUtf8("通道16"));
}

TEST_F(UiTest, RibbonTogglesWriteTheirKeysAtOnce) {
    Set("COMMON_SET", "ERASE_TYPE", "16");
    MainWindow& window = Window(2);
    Ribbon& ribbon = window.Ribbons();
    EXPECT_EQ(window.Ribbons().GroupCaptions().back(), QString::fromUtf8("擦 FLASH"));
    ribbon.Action("ID_ERASE_NORMAL")->trigger();
    EXPECT_EQ(Get("COMMON_SET", "ERASE_TYPE"), "48");
    ribbon.Action("ID_ERASE_FLASH")->trigger();  // clears both area bits
    EXPECT_EQ(Get("COMMON_SET", "ERASE_TYPE"), "1");
    EXPECT_TRUE(ribbon.Action("ID_ERASE_FLASH")->isChecked());
    ribbon.Action("ID_ERASE_NORMAL")->trigger();  // clears the whole flash
    EXPECT_EQ(Get("COMMON_SET", "ERASE_TYPE"), "32");
    // The calibration items are off outside calibration functions.
    EXPECT_FALSE(ribbon.Action("ID_CRYSTAL_CALI")->isEnabled());

    ribbon.Action("ID_FUNCSEL_CALI")->trigger();
    EXPECT_EQ(Get("COMMON_SET", "FUNC_TYPE"), "4");
    EXPECT_EQ(window.VisiblePanel()->objectName(), "CDownloadCDlg");
    EXPECT_EQ(window.Ribbons().GroupCaptions().back(), QString::fromUtf8("校准项"));
    ASSERT_TRUE(ribbon.Action("ID_BATTERY_CALI")->isEnabled());
    ribbon.Action("ID_BATTERY_CALI")->trigger();
    EXPECT_EQ(Get("COMMON_SET", "CALI_TYPE"), "2");
    ribbon.Action("ID_BT_SEL")->trigger();
    ribbon.Action("ID_ALPAY_SEL")->trigger();
    EXPECT_EQ(Get("COMMON_SET", "TEST_TYPE"), "514");
    ribbon.Action("ID_MONITOR_LOOP")->trigger();
    EXPECT_EQ(Get("COMMON_SET", "MODE_TYPE"), "2");
    EXPECT_TRUE(ribbon.Action("ID_MONITOR_LOOP")->isChecked());
    EXPECT_FALSE(ribbon.Action("ID_MONITOR_NO")->isChecked());

    Set("CHAN_SET", "CH7", "0");
    ribbon.Action("ID_SELLALL")->trigger();  // one box clear: all ticked
    EXPECT_EQ(Get("CHAN_SET", "CH7"), "1");
    EXPECT_TRUE(window.VisiblePanel()->CheckBox(7)->isChecked());
    ribbon.Action("ID_SELLALL")->trigger();
    EXPECT_EQ(Get("CHAN_SET", "CH1"), "0");
    window.VisiblePanel()->CheckBox(3)->click();
    EXPECT_EQ(Get("CHAN_SET", "CH3"), "1");

    ribbon.Action("ID_LOCKALL")->trigger();
    EXPECT_EQ(Get("COMMON_SET", "PROTECT"), "1");
    EXPECT_FALSE(ribbon.Action("ID_BURNFILE_SET")->isEnabled());
    EXPECT_FALSE(ribbon.Action("ID_BATTERY_CALI")->isEnabled());
    EXPECT_TRUE(ribbon.Action("ID_RUNALL_SIMPLE")->isVisible());
    EXPECT_FALSE(ribbon.Action("ID_RUNALL")->isVisible());
}

TEST_F(UiTest, RibbonIsLockedWhileAChannelWorks) {
    MainWindow& window = Window(1);
    Ribbon& ribbon = window.Ribbons();
    channels_[3].status = kStatusRunning;
    window.UpdateRibbon();
    EXPECT_TRUE(ribbon.Action("ID_RUNALL")->isEnabled());  // other channels are idle
    EXPECT_TRUE(ribbon.Action("ID_STOPALL")->isEnabled());
    for (const char* name : {"ID_SELLALL", "ID_SCANPORT", "ID_CLEANSTATUS", "ID_BURNFILE_SET"})
        EXPECT_FALSE(ribbon.Action(name)->isEnabled()) << name;
    ribbon.Action("ID_FUNCSEL_ERASE")->trigger();
    EXPECT_EQ(shown_, std::vector<std::string>{"有通道处于工作状态，不可切换功能，请先停止运行!"});
    EXPECT_EQ(Get("COMMON_SET", "FUNC_TYPE"), "1");
    EXPECT_EQ(window.VisiblePanel()->objectName(), "CDownloadDlg");
    ribbon.Action("ID_STOPALL")->trigger();
    EXPECT_EQ(channels_[3].stopRequested.load(), 1);
    channels_[3].status = kStatusIdle;
    window.UpdateRibbon();
    EXPECT_FALSE(ribbon.Action("ID_STOPALL")->isEnabled());
    EXPECT_TRUE(ribbon.Action("ID_SCANPORT")->isEnabled());
}

// A burn job of the engine, started with the start-all command, seen in its
// row while the stand-in tool runs and after its verdict.
TEST_F(UiTest, ChannelRowFollowsAJobToItsVerdict) {
    WriteBurnList();
    MainWindow& window = Window(1);
    window.show();
    for (int ch = 1; ch <= 16; ++ch) Set("CHAN_SET", "CH" + std::to_string(ch), ch == 2 ? "1" : "0");
    ChannelPanel* panel = window.VisiblePanel();
    window.Ribbons().Action("ID_RUNALL")->trigger();
    Deliver();
    EXPECT_FALSE(panel->CheckBox(2)->isEnabled());  // disabled while the job runs

    bool sawRunning = false;
    runner_.during = [&](JobStep) {
        channels_[2].progress = 40;
        channels_[2].macText.Set("AABBCCDDEEFF");
        channels_[2].snText.Set("SN00001");
        window.RefreshPanel();
        sawRunning = panel->ProgressBar(2)->Position() == 40 && panel->Button(2)->text() == QString::fromUtf8("停止") &&
                     TextColour(panel->TimeLabel(2)) == kRunningColour &&
                     panel->Cell(2, 0)->text() == QString::fromUtf8("烧录");
    };
    ASSERT_TRUE(channels_.channelStartEvent(2).WaitFor(std::chrono::milliseconds(0)));
    engine_->RunJob(2);
    Deliver();
    EXPECT_TRUE(sawRunning);
    EXPECT_TRUE(panel->CheckBox(2)->isEnabled());
    EXPECT_EQ(panel->ProgressBar(2)->Position(), 100);
    EXPECT_EQ(panel->Button(2)->text(), QString::fromUtf8("烧录"));
    EXPECT_EQ(TextColour(panel->TimeLabel(2)), kPassColour);
    EXPECT_EQ(panel->Cell(2, 0)->text(), "PASS");
    EXPECT_EQ(TextColour(panel->Cell(2, 0)), kPassColour);
    EXPECT_EQ(panel->Cell(2, 1)->text(), "AABBCCDDEEFF");
    EXPECT_EQ(panel->Cell(2, 2)->text(), "SN00001");

    // The next job fails: red time and verdict.
    runner_.during = nullptr;
    runner_.fallback = StepResult{false, 1};
    window.Ribbons().Action("ID_RUNALL")->trigger();
    ASSERT_TRUE(channels_.channelStartEvent(2).WaitFor(std::chrono::milliseconds(0)));
    engine_->RunJob(2);
    Deliver();
    EXPECT_EQ(panel->Cell(2, 0)->text(), "FAIL");
    EXPECT_EQ(TextColour(panel->TimeLabel(2)), kFailColour);
    EXPECT_EQ(TextColour(panel->Cell(2, 0)), kFailColour);
}

TEST_F(UiTest, TestColumnsShowEachItemOfTheToolsMask) {
    Set("COMMON_SET", "TEST_TYPE", "15");  // firmware, BT, G-sensor, MAC
    MainWindow& window = Window(8);
    ChannelPanel* panel = window.VisiblePanel();
    channels_[5].testResult = kResultFail;
    channels_[5].testExitCode = 0x2;  // only the BT item failed
    channels_[5].status = kStatusFail;
    window.OnNotify(kNotifyRefreshPanels, RefreshChannelBit(5));
    // Columns: 固件, MAC, BT, Sensor, 第三方 ...
    EXPECT_EQ(panel->Cell(5, 0)->text(), "PASS");
    EXPECT_EQ(panel->Cell(5, 1)->text(), "PASS");
    EXPECT_EQ(panel->Cell(5, 2)->text(), "FAIL");
    EXPECT_EQ(TextColour(panel->Cell(5, 2)), kFailColour);
    EXPECT_EQ(panel->Cell(5, 4)->text(), "-");  // not requested
    EXPECT_EQ(panel->Cell(4, 2)->text(), "-");  // another channel: untouched

    // A tool that never tested (-1) gives no item a verdict, only the row's
    // time; one that failed its loader returns every requested item failed.
    for (const auto& [channel, exitCode] : {std::pair{6, -1}, std::pair{7, 0xF}}) {
        channels_[channel].testResult = kResultFail;
        channels_[channel].testExitCode = exitCode;
        channels_[channel].status = kStatusFail;
    }
    window.OnNotify(kNotifyRefreshPanels, RefreshChannelBit(6) | RefreshChannelBit(7));
    for (size_t column : {0u, 1u, 2u, 3u}) {
        EXPECT_EQ(panel->Cell(6, column)->text(), "-") << column;
        EXPECT_EQ(panel->Cell(7, column)->text(), "FAIL") << column;
    }
    EXPECT_EQ(TextColour(panel->TimeLabel(6)), kFailColour);
}

// A function switch shows the new panel without the old function's
// results; the channel state keeps them, and the next job shows its own.
TEST_F(UiTest, ASwitchedPanelShowsNoResultsOfThePreviousFunction) {
    MainWindow& window = Window(1);
    channels_[2].status = kStatusPass;
    channels_[2].progress = 100;
    channels_[2].burnResult = kResultPass;
    channels_[2].crystalResult = kResultPass;
    window.RefreshPanel();
    window.Ribbons().Action("ID_FUNCSEL_BURN_CALI")->trigger();
    ChannelPanel* panel = window.VisiblePanel();
    ASSERT_EQ(panel->objectName(), "CDownloadBCDlg");
    EXPECT_EQ(panel->Cell(2, 0)->text(), QString::fromUtf8("晶体 -"));
    EXPECT_EQ(panel->Cell(2, 2)->text(), QString::fromUtf8("烧录 -"));
    EXPECT_EQ(panel->ProgressBar(2)->Position(), 0);
    EXPECT_EQ(TextColour(panel->TimeLabel(2)), kPassColour);
    EXPECT_EQ(channels_[2].burnResult.load(), kResultPass);

    window.OnNotify(kNotifyDisableCheckBox, 2);  // a job of the new function was armed
    window.RefreshPanel();
    EXPECT_EQ(panel->Cell(2, 0)->text(), QString::fromUtf8("晶体 PASS"));
    EXPECT_EQ(panel->ProgressBar(2)->Position(), 100);
}

// A double click is one press: the second click within 500 ms is logged
// but does not stop the job the first one started; a later click does.
TEST_F(UiTest, ASecondClickWithinHalfASecondDoesNotStopTheJob) {
    WriteBurnList();
    MainWindow& window = Window(1);
    ChannelPanel* panel = window.VisiblePanel();
    platform::VirtualClock clock;
    clock.SleepMs(10000);
    panel->SetClickClock(clock);
    panel->Button(2)->click();
    ASSERT_TRUE(channels_.channelStartEvent(2).WaitFor(std::chrono::milliseconds(0)));
    channels_[2].status = kStatusRunning;  // the channel's thread took the job
    clock.SleepMs(499);
    panel->Button(2)->click();
    EXPECT_EQ(channels_[2].stopRequested.load(), 0);
    clock.SleepMs(1);
    panel->Button(2)->click();
    EXPECT_EQ(channels_[2].stopRequested.load(), 1);
    EXPECT_EQ(CountInLog("[0] 点击通道2下载/停止按钮"), 3);
}

TEST_F(UiTest, TheManualThatIsNotThereIsNamed) {
    MainWindow& window = Window(1);
    window.Ribbons().Action("ID_APP_MANUAL")->trigger();
    EXPECT_EQ(shown_, std::vector<std::string>{"x 未找到使用说明文件: " + root_ + "/doc/Torvane使用说明.pdf"});
}

// Laid out as the operator sees it: the rows follow the column headers
// without a band between them, and the panel's texts grow with the window
// and are back to their size when it is restored.
TEST_F(UiTest, PanelsAtTheWindowsSizes) {
    MainWindow& window = Window(13);
    ChannelPanel* panel = window.VisiblePanel();
    // A size seen during start-up, before the window is laid out, is no first size.
    QResizeEvent early(QSize(400, 300), QSize());
    QCoreApplication::sendEvent(panel, &early);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kSafetyMs));
    const QLabel* header = nullptr;
    for (const QLabel* label : panel->findChildren<QLabel*>())
        if (label->text() == QString::fromUtf8("固件")) header = label;
    ASSERT_NE(header, nullptr);
    const int pitch = panel->CheckBox(2)->geometry().center().y() - panel->CheckBox(1)->geometry().center().y();
    EXPECT_LE(panel->CheckBox(1)->geometry().center().y() - header->geometry().center().y(), pitch);

    EXPECT_EQ(panel->font().pixelSize(), 14);
    auto resizeTo = [&window](int height) {
        window.resize(940, height);
        return QTest::qWaitFor([&] { return window.height() == height; }, kSafetyMs);
    };
    ASSERT_TRUE(resizeTo(685 * 3 / 2));
    EXPECT_GT(panel->font().pixelSize(), 14);
    ASSERT_TRUE(resizeTo(685));
    EXPECT_EQ(panel->font().pixelSize(), 14);
}

// At the smallest size every ribbon caption is whole: a function group that
// does not fit beside the others folds into one button that lists its commands.
TEST_F(UiTest, EveryRibbonCaptionIsWholeAtTheSmallestSize) {
    MainWindow& window = Window(13);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kSafetyMs));
    QCoreApplication::processEvents();
    std::vector<QAction*> offered;
    for (QToolBar* bar : window.findChildren<QToolBar*>()) {
        for (QWidget* item : bar->findChildren<QWidget*>()) {
            if (!item->isVisibleTo(&window)) continue;
            const auto* button = qobject_cast<QToolButton*>(item);
            const auto* label = qobject_cast<QLabel*>(item);
            if (!button && !label) continue;
            const QString text = button ? button->text() : label->text();
            EXPECT_GE(item->width(), item->sizeHint().width()) << text.toStdString();
            EXPECT_LE(item->mapTo(&window, QPoint(item->width(), 0)).x(), window.width()) << text.toStdString();
            if (button && button->defaultAction()) offered.push_back(button->defaultAction());
            if (button && button->menu())
                for (QAction* action : button->menu()->actions()) offered.push_back(action);
        }
    }
    for (const char* name : {"ID_FWINFO_SEL", "ID_TEST_PARA", "ID_CRYSTAL_CALI", "ID_LOCKALL"})
        EXPECT_NE(std::find(offered.begin(), offered.end(), window.Ribbons().Action(name)), offered.end()) << name;
}

TEST_F(UiTest, ScreenshotIsA24BitBitmapOfTheWindow) {
    MainWindow& window = Window(1);
    window.show();
    window.OnNotify(kNotifyScreenshot, 1);
    const auto dir = std::filesystem::path(root_) / "log" / "screenshot";
    ASSERT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    const auto file = std::filesystem::directory_iterator(dir)->path();
    EXPECT_EQ(file.extension(), ".bmp");
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bmp((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GE(bmp.size(), 54u);
    auto word = [&](size_t at) { return uint32_t(bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | bmp[at + 3] << 24); };
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(word(18), uint32_t(window.width()));
    EXPECT_EQ(word(22), uint32_t(window.height()));
    EXPECT_EQ(bmp[28], 24);
    EXPECT_EQ(word(2), bmp.size());
    EXPECT_EQ(bmp.size(), 54 + BmpRowBytes(window.width()) * size_t(window.height()));
}

// Closing asks; "No" keeps the line running, "Yes" stops every channel and
// waits for the jobs to end before the window goes.
TEST_F(UiTest, ClosingWhileChannelsRunAsksThenStopsAllAndWaits) {
    WriteBurnList();
    MainWindow& window = Window(1);
    window.show();
    for (int ch = 1; ch <= 16; ++ch) Set("CHAN_SET", "CH" + std::to_string(ch), ch == 4 ? "1" : "0");
    std::atomic<bool> toolRunning{false};
    runner_.during = [&](JobStep) {
        toolRunning = true;
        while (!channels_[4].stopRequested.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    runner_.fallback = StepResult{false, -1};  // a killed tool fails its step
    engine_->StartThreads();
    window.RunAll();
    while (!toolRunning) QTest::qWait(5);

    answer_ = false;
    EXPECT_FALSE(window.close());
    EXPECT_EQ(asked_, std::vector<std::string>{kCloseWhileRunning});
    EXPECT_TRUE(engine_->AnyActive());

    answer_ = true;
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(engine_->AnyActive());
    EXPECT_EQ(channels_[4].status.load(), kStatusFail);
    engine_->StopThreads();
}

}  // namespace
}  // namespace ui_test
