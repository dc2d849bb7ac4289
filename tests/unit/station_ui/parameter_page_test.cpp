// The parameter page: corrected values on the way in, every control written
// back on "返回主界面", the station burn list made, and the checks that keep
// the page open.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <fstream>

#include "station/ui/cali_para_window.h"
#include "station/ui/info_window.h"
#include "station/ui/parameter_page.h"
#include "station/ui/ribbon.h"
#include "station/ui/settings_window.h"
#include "unit/station_ui/ui_harness.h"

namespace ui_test {
namespace {

class ParameterPageTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        package_ = root_ + "/package";
        std::filesystem::create_directories(package_);
        std::ofstream(package_ + "/app.bin") << std::string(2048, 'A');
        Set("FILE_SET", "FILE_NUM", "2");
        Set("FILE_SET", "FILE_DES_0", "application");
        Set("FILE_SET", "FILE_NAME_0", "missing.bin||app.bin");
        Set("FILE_SET", "FILE_ADDR_0", "0x10020000");
        Set("FILE_SET", "FILE_DES_1", "absent");
        Set("FILE_SET", "FILE_NAME_1", "absent.bin");
        Set("FILE_SET", "PACK_PATH", package_);
        Set("DEV_SET", "DEV_NUM", "2");
        Set("DEV_SET", "DEV_NAME1", "QM2C_NAND");
        Set("DEV_SET", "DEV_IDX", "1");
        Set("BLE_SET", "ENABLE_FLAG", "1");
        Set("BLE_SET", "START_ADDR", "1234");
        Set("BLE_SET", "END_ADDR", "12");
        Set("BLE_SET", "CUR_ADDR", "123400000007");
        Set("BLE_SET", "MASK_ADDR", "A");
        Set("SN_SET", "START_VALUE", "123");
        Set("SN_SET", "CUR_VALUE", "130");
        Set("UART_FILTER", "BAUND", "3000000");
        Set("COMMON_SET", "PORT_TYPE", "0");
    }
    std::string package_;
};

TEST_F(ParameterPageTest, LoadCorrectsConfirmWritesBackAndMakesTheBurnList) {
    MainWindow& window = Window(1);
    ParameterPage& page = window.Parameters();
    // Corrections on the way in, the SN ones written back at once.
    EXPECT_EQ(page.StartEdit(0)->text(), "12");
    EXPECT_EQ(page.StartEdit(2)->text(), "00");
    EXPECT_EQ(page.SnStart()->text(), "00123");
    EXPECT_EQ(page.SnWidth()->text(), QString::fromUtf8("5位 [00000, 99999]"));
    EXPECT_EQ(Get("SN_SET", "START_VALUE"), "00123");
    EXPECT_EQ(Get("SN_SET", "CUR_VALUE"), "00130");
    EXPECT_EQ(Get("UART_DRIVER", "QM2C_NAND"), "ram_patch_2C_NAND.bin");
    EXPECT_EQ(Get("UART_COMPRESS", "QM2C_NAND"), "1");
    EXPECT_EQ(page.DeviceBox()->currentText(), "QM2C_NAND");
    EXPECT_TRUE(page.UartBaud()->isHidden());  // SWD until PORT_TYPE says UART
    // Only the file present in the package is listed, under its second name.
    ASSERT_EQ(page.FileList()->topLevelItemCount(), 1);
    EXPECT_EQ(page.FileList()->topLevelItem(0)->text(0), "application");
    EXPECT_EQ(page.FileList()->topLevelItem(0)->text(3), "2.00 kB");

    // Typing outside the hexadecimal digits has no effect.
    page.StartEdit(1)->clear();
    QTest::keyClicks(page.StartEdit(1), "g-56");
    EXPECT_EQ(page.StartEdit(1)->text(), "56");

    window.ShowParameterPage();
    page.PortTypeBox()->setCurrentIndex(1);  // UART
    page.UartBaud()->clear();
    QTest::keyClicks(page.UartBaud(), "2,000,000");  // a speed takes digits only
    page.FileList()->topLevelItem(0)->setText(2, "0x10030000");
    EXPECT_TRUE(window.LeaveParameterPage());
    EXPECT_FALSE(window.ParameterPageShown());
    EXPECT_EQ(scans_, 1);
    EXPECT_EQ(Get("COMMON_SET", "PORT_TYPE"), "1");
    EXPECT_EQ(Get("UART_FILTER", "BAUND"), "2000000");
    EXPECT_EQ(Get("BLE_SET", "START_ADDR"), "125600000000");
    EXPECT_EQ(Get("BLE_SET", "END_ADDR"), "12FFFFFFFFFF");
    EXPECT_EQ(Get("BLE_SET", "MASK_ADDR"), "AFFF");
    // The engine's counter is never rolled back by the page.
    EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "123400000007");
    EXPECT_EQ(Get("FILE_SET", "FILE_ADDR_0"), "0x10030000");
    EXPECT_EQ(Get("FILE_SET", "FILE_SEL_0"), "1");
    EXPECT_EQ(Get("FILE_SET", "FILE_PATH_0"), package_ + "/app.bin");
    EXPECT_EQ(Get("LOG_SET", "VERIFY_FLAG"), "1");
    std::ifstream list(root_ + "/temp/ImgBurnList.txt");
    std::stringstream text;
    text << list.rdbuf();
    EXPECT_NE(text.str().find("app.bin"), std::string::npos);
    EXPECT_TRUE(shown_.empty()) << shown_.front();
}

TEST_F(ParameterPageTest, ChecksKeepThePageOpen) {
    Set("DEV_SET", "DEV_IDX", "0");  // QM2A, on SWD
    MainWindow& window = Window(1);
    window.ShowParameterPage();
    EXPECT_FALSE(window.LeaveParameterPage());
    EXPECT_TRUE(window.ParameterPageShown());
    EXPECT_EQ(shown_, std::vector<std::string>{"x QM2A 只支持串口方式控制"});

    // Nothing selected to burn: the list cannot be made.
    shown_.clear();
    window.Parameters().FileList()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    window.Parameters().MacEnable()->setChecked(false);
    EXPECT_FALSE(window.LeaveParameterPage());
    ASSERT_EQ(shown_.size(), 1u);
    const std::string listFailure =
        "x 生成下载列表失败！\n请至少选择一项下载内容(包括BLE MAC/SN/BLE NAME/BT NAME/ALPAY)！";
    EXPECT_EQ(shown_[0], listFailure);
    // Run-all leaves the page first; kept open, it ends there and starts
    // nothing, even with a burn list left from before.
    WriteBurnList();
    shown_.clear();
    window.Ribbons().Action("ID_RUNALL")->trigger();
    EXPECT_EQ(shown_, std::vector<std::string>{listFailure});
    EXPECT_TRUE(window.ParameterPageShown());
    for (int ch = 1; ch <= 16; ++ch)
        EXPECT_FALSE(channels_.channelStartEvent(ch).WaitFor(std::chrono::milliseconds(0))) << ch;
    // A start while the page shows leaves it first, as its button does.
    EXPECT_EQ(engine_->StartOne(1), false);
    EXPECT_EQ(shown_.back(), "x 请先返回主界面!");
}

// The counters move with the jobs: the page shows them as they stand when
// it is shown and when a channel takes numbers while it shows; the
// information window shows a channel's numbers as soon as it has them.
TEST_F(ParameterPageTest, CurrentNumbersFollowTheCounters) {
    MainWindow& window = Window(1);
    ParameterPage& page = window.Parameters();
    Set("BLE_SET", "CUR_ADDR", "12340000000B");
    Set("SN_SET", "CUR_VALUE", "00142");
    window.ShowParameterPage();
    EXPECT_EQ(page.CurrentAddress()->text(), "12340000000B");
    EXPECT_EQ(page.SnCurrent()->text(), "00142");

    Set("BLE_SET", "CUR_ADDR", "12340000000C");
    Set("SN_SET", "CUR_VALUE", "00143");
    channels_[3].macText.Set("12340000000B");
    channels_[3].snText.Set("00142");
    window.RefreshFromState();
    EXPECT_EQ(page.CurrentAddress()->text(), "12340000000C");
    EXPECT_EQ(page.SnCurrent()->text(), "00143");
    const QTableWidget* info = window.Info().Table();
    EXPECT_EQ(info->item(2, 1)->text(), "12340000000B");
    EXPECT_EQ(info->item(2, 2)->text(), "00142");
}

// Serial numbers are made at the counter's width: a start value of another
// width is refused (and not written) until "重新计数" restarts the count from it.
TEST_F(ParameterPageTest, SnStartOfAnotherWidthIsRefusedUntilTheCountRestarts) {
    Set("SN_SET", "ENABLE_FLAG", "1");
    Set("SN_SET", "START_VALUE", "00000001");
    Set("SN_SET", "CUR_VALUE", "00000012");
    MainWindow& window = Window(1);
    ParameterPage& page = window.Parameters();
    window.ShowParameterPage();
    page.SnStart()->setText("123");
    EXPECT_FALSE(window.LeaveParameterPage());
    EXPECT_EQ(page.SnStart()->text(), "00123");
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_NE(shown_[0].find("5位"), std::string::npos) << shown_[0];
    EXPECT_NE(shown_[0].find("8位"), std::string::npos) << shown_[0];
    EXPECT_EQ(Get("SN_SET", "START_VALUE"), "00000001");

    page.SnRestart()->click();
    EXPECT_EQ(Get("SN_SET", "CUR_VALUE"), "00123");
    EXPECT_TRUE(window.LeaveParameterPage());
    EXPECT_EQ(Get("SN_SET", "START_VALUE"), "00123");
}

TEST_F(ParameterPageTest, CalibrationWindowWritesItsKeysOnlyOnConfirm) {
    Set("CALI_SET", "CALI_FREQIDX", "39");
    Set("CALI_SET", "CALI_CRYSTALTYPE", "0");
    MainWindow& window = Window(4);
    CaliParaWindow& cali = window.CaliPara();
    cali.Open();
    EXPECT_EQ(Get("CALI_SET", "CALI_PORT_NUM"), "2");  // the defaults appear on first opening
    ASSERT_EQ(cali.Pins()->count(), 2);
    EXPECT_EQ(cali.Pins()->itemText(1), "PB24");
    EXPECT_EQ(cali.Frequencies()->currentText(), "39 - 2480 MHz");
    EXPECT_FALSE(cali.Frequencies()->isVisible());  // wired: no wireless controls
    cali.Method()->setCurrentIndex(1);
    EXPECT_TRUE(cali.Frequencies()->isVisible());
    cali.reject();
    EXPECT_EQ(Get("CALI_SET", "CALI_CRYSTALTYPE"), "0");
    cali.Open();
    cali.Method()->setCurrentIndex(1);
    cali.Confirm();
    EXPECT_EQ(Get("CALI_SET", "CALI_CRYSTALTYPE"), "1");
    EXPECT_FALSE(cali.isVisible());
    // Keys new to the file are appended in the calibration keys' write order.
    std::ifstream ini(root_ + "/Torvane.ini");
    std::stringstream text;
    text << ini.rdbuf();
    size_t last = 0;
    for (const char* key : {"CALI_VOLT=", "CALI_VOLTRANGE=", "CALI_THRESHHOLD=", "CALI_VOLTTHRESH=", "CALI_TIMELEN=",
                            "CALI_PORT=", "CALI_SYNCCODE=", "CALI_JUDGECNT=", "CALI_PKTSTEP=", "CALI_PKTINIT=",
                            "CALI_PKTMAX="}) {
        const size_t at = text.str().find(std::string("\n") + key);
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_GT(at, last) << key;
        last = at;
    }

    // Fields of calibrations not selected may stay empty; the resistances,
    // never saved, cannot be typed into.
    EXPECT_TRUE(cali.ResistanceBig()->isReadOnly());

    TestParaWindow& test = window.TestPara();
    test.Open();
    test.findChildren<QLineEdit*>().at(0)->setText("v2.0");
    test.Confirm();
    EXPECT_EQ(Get("PCBA_TEST", "FW_VERSION"), "v2.0");
}

// The calibration fields become the tools' command arguments: each must be
// a number (the sync code may be hexadecimal), and a selected calibration's
// fields must be filled. A refusal names the field and saves nothing.
TEST_F(ParameterPageTest, CalibrationWindowRefusesFieldsThatAreNoNumbers) {
    Set("COMMON_SET", "CALI_TYPE", "3");  // crystal and battery
    Set("CALI_SET", "CALI_CRYSTALTYPE", "1");
    const std::pair<const char*, const char*> values[] = {
        {"CALI_VOLT", "3800"},          {"CALI_VOLTRANGE", "200"},          {"CALI_VOLTTHRESH", "10"},
        {"CALI_RESISTANCE_BIG_2C", "1000"}, {"CALI_RESISTANCE_SMALL_2C", "330"}, {"CALI_TIMELEN", "12"},
        {"CALI_SYNCCODE", "8E89BED6"},  {"CALI_JUDGECNT", "3"},             {"CALI_PKTSTEP", "0x10"},
        {"CALI_PKTINIT", "20"},         {"CALI_PKTMAX", "100"}};
    for (const auto& [key, value] : values) Set("CALI_SET", key, value);
    MainWindow& window = Window(4);
    CaliParaWindow& cali = window.CaliPara();
    cali.Open();
    struct Case {
        const TextKey& key;
        const char* typed;
        const char* named;
    };
    const Case refused[] = {{CALI_SET::CALI_VOLTTHRESH, "abc", "校准精度 (mV)"},
                            {CALI_SET::CALI_SYNCCODE, "8E89 BED6", "同步码"},
                            {CALI_SET::CALI_JUDGECNT, "", "判定次数"},
                            {CALI_SET::CALI_PKTMAX, "0x", "统计最大包数"}};
    for (const Case& c : refused) {
        SCOPED_TRACE(c.typed);
        QLineEdit* edit = cali.Edit(c.key);
        const QString before = edit->text();
        edit->setText(QString::fromUtf8(c.typed));
        shown_.clear();
        EXPECT_FALSE(cali.Confirm());
        ASSERT_EQ(shown_.size(), 1u);
        EXPECT_NE(shown_[0].find(c.named), std::string::npos) << shown_[0];
        EXPECT_TRUE(cali.isVisible());
        // A run does not start over a refused field.
        EXPECT_EQ(window.RunAll(), -1);
        edit->setText(before);
    }
    EXPECT_EQ(Get("CALI_SET", "CALI_VOLTTHRESH"), "10");
    cali.Edit(CALI_SET::CALI_TIMELEN)->setText(" 15 ");
    EXPECT_TRUE(cali.Confirm());
    EXPECT_EQ(Get("CALI_SET", "CALI_TIMELEN"), "15");
}

}  // namespace
}  // namespace ui_test
