// The parameter page: corrected values on the way in, every control written
// back on "返回主界面", the station burn list made, and the checks that keep
// the page open.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <fstream>

#include "station/ui/cali_para_window.h"
#include "station/ui/parameter_page.h"
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
    EXPECT_EQ(shown_[0], "x 生成下载列表失败！\n请至少选择一项下载内容(包括BLE MAC/SN/BLE NAME/BT NAME/ALPAY)！");
    // A start while the page shows leaves it first, as its button does.
    EXPECT_EQ(engine_->StartOne(1), false);
    EXPECT_EQ(shown_.back(), "x 请先返回主界面!");
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

    TestParaWindow& test = window.TestPara();
    test.Open();
    test.findChildren<QLineEdit*>().at(0)->setText("v2.0");
    test.Confirm();
    EXPECT_EQ(Get("PCBA_TEST", "FW_VERSION"), "v2.0");
}

}  // namespace
}  // namespace ui_test
