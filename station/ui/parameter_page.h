#pragma once
// The station's settings page: download files, MAC, serial number, names and
// payment keys written into each device, device type and interface, channel
// bindings, logging and actions. Filled from the settings once at start;
// "返回主界面" writes everything back, checks it and makes the burn list.
#include <QWidget>
#include <array>
#include <vector>

#include "station/engine/burnlist/package_files.h"
#include "station/engine/settings/ini_keys.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

namespace station {
class StationEngine;
class StationFrontEnd;
}  // namespace station

namespace station::ui {

class ParameterPage : public QWidget {
    Q_OBJECT
public:
    ParameterPage(StationEngine& engine, StationFrontEnd& frontEnd, QWidget* parent = nullptr);

    // Reads every control from the settings, correcting stored values.
    void LoadFromSettings();
    // Writes every control back, makes the burn list and checks the choice;
    // false when a check keeps the page open (its message was shown).
    bool Confirm();
    // The function changed: the name edits follow their boxes under burn.
    void ApplyFunction();
    // Refills the file list from the package directory.
    void RefreshFileList();
    // 当前地址 and 当前值 as the counters stand now (jobs move them).
    void ShowCurrentNumbers();

    QTreeWidget* FileList() const { return fileList_; }
    QLineEdit* PackagePath() const { return packPath_; }
    QComboBox* DeviceBox() const { return device_; }
    QComboBox* PortTypeBox() const { return portType_; }
    QLineEdit* UartBaud() const { return uartBaud_; }
    QCheckBox* MacEnable() const { return macEnable_; }
    QLineEdit* StartEdit(int piece) const { return startEdits_.at(size_t(piece)); }
    QLineEdit* CurrentAddress() const { return curAddr_; }
    QCheckBox* SnEnable() const { return snEnable_; }
    QLineEdit* SnStart() const { return snStart_; }
    QLineEdit* SnCurrent() const { return snCur_; }
    QLabel* SnWidth() const { return snWidth_; }
    QPushButton* SnRestart() const { return snRestart_; }

signals:
    // The information window's table is rebuilt with the file list.
    void FileListRefreshed();
    // "返回主界面" was pressed.
    void ReturnRequested();
    // Another device type was chosen in "型号".
    void DeviceChanged(const QString& device);

private:
    QWidget* BuildFiles();
    QWidget* BuildMac();
    QWidget* BuildSn();
    QWidget* BuildDevice();
    QWidget* BuildBindings();
    QWidget* BuildActions();
    void ApplyMacRule();
    void ApplySnRule();
    void ApplyAlpayRule();
    void ApplyPortTypeRule();
    void ApplyBindingRule();
    void RestartMac();
    void RestartSn();
    // The typed SN start value, normalised; false (with the message shown)
    // when its width is not the counter's.
    bool CheckSnStart();
    std::string Address(const std::array<QLineEdit*, 6>& edits) const;
    void ShowAddress(const std::array<QLineEdit*, 6>& edits, const std::string& text);
    std::vector<PackageFile> Rows() const;

    StationEngine& engine_;
    StationFrontEnd& frontEnd_;

    QTreeWidget* fileList_;
    QLineEdit* packPath_;
    QCheckBox* ezip_;
    QCheckBox* productRefresh_;
    QCheckBox* fileGroup_;

    QCheckBox* macEnable_;
    std::array<QLineEdit*, 6> startEdits_{};
    std::array<QLineEdit*, 6> endEdits_{};
    QLineEdit* curAddr_;
    QLineEdit* macUp_;
    QPushButton* macRestart_;
    QCheckBox* random_;
    std::array<QLineEdit*, 2> maskEdits_{};
    QCheckBox* macLocal_;
    QCheckBox* macFromFile_;
    QLineEdit* macFile_;
    QPushButton* macFilePick_;
    std::vector<QWidget*> rangeControls_;
    std::vector<QWidget*> randomControls_;

    QCheckBox* bleNameFlag_;
    QLineEdit* bleName_;
    QCheckBox* btNameFlag_;
    QLineEdit* btName_;

    QCheckBox* snEnable_;
    QCheckBox* snLocal_;
    QLineEdit* snDes_;
    QLineEdit* snStart_;
    QLineEdit* snCur_;
    QLineEdit* snUp_;
    QLabel* snWidth_;
    QPushButton* snRestart_;
    std::vector<QWidget*> snControls_;

    QCheckBox* alpayEnable_;
    std::array<QLineEdit*, 3> alpayEdits_{};
    std::vector<QWidget*> alpayControls_;

    QComboBox* device_;
    QComboBox* portType_;
    QLineEdit* uartBaud_;
    QLineEdit* swdBaud_;
    QLabel* unit_;
    QCheckBox* snBind_;
    QCheckBox* desBind_;
    QCheckBox* portBind_;
    QStackedWidget* bindingSets_;
    std::array<std::array<QLineEdit*, kChannelCount>, 3> bindingEdits_{};  // SN, descriptor, port

    QCheckBox* saveLog_;
    QCheckBox* jlinkUi_;
    QCheckBox* errBox_;
    QCheckBox* compare_;
    QCheckBox* verify_;
    QCheckBox* postAct_;
    QCheckBox* sendReset_;
    QCheckBox* sendHold_;
    QLineEdit* projectCode_;
};

}  // namespace station::ui
