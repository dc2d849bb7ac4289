#include "station/ui/parameter_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QTreeWidget>

#include "common/text_search.h"
#include "station/engine/burnlist/download_setup.h"
#include "station/engine/jobs/function_type.h"
#include "station/engine/jobs/station_engine.h"
#include "station/engine/log/main_log.h"
#include "station/engine/settings/parameter_rules.h"
#include "station/engine/settings/station_settings.h"
#include "station/ui/ui_text.h"

namespace station::ui {

namespace {

constexpr int kNameChars = 29;
constexpr int kSnDesChars = 80;
enum FileColumn { kColName, kColPath, kColAddress, kColSize };
enum BindingSet { kBindSn, kBindDescriptor, kBindPort };
constexpr int kIndexRole = Qt::UserRole;

QLineEdit* NewEdit(QWidget* parent, int maxLength = 32767) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(maxLength);
    return edit;
}

// The address edits take hexadecimal digits and "." only; anything else
// typed is dropped.
QLineEdit* AddressEdit(QWidget* parent) {
    QLineEdit* edit = NewEdit(parent, 2);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9a-fA-F.]*"), edit));
    edit->setFixedWidth(30);
    return edit;
}

// Speeds, steps and the SN start value are whole numbers: other characters
// typed are dropped, so a field never writes back a number it did not show.
QLineEdit* NumberEdit(QWidget* parent, int maxLength = 32767) {
    QLineEdit* edit = NewEdit(parent, maxLength);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    return edit;
}

void SetVisible(const std::vector<QWidget*>& widgets, bool visible) {
    for (QWidget* widget : widgets) widget->setVisible(visible);
}

int Number(const QLineEdit* edit) { return edit->text().toInt(); }

}  // namespace

ParameterPage::ParameterPage(StationEngine& engine, StationFrontEnd& frontEnd, QWidget* parent)
    : QWidget(parent), engine_(engine), frontEnd_(frontEnd) {
    setObjectName("CParasetDlg");
    auto* grid = new QGridLayout(this);
    grid->addWidget(BuildFiles(), 0, 0, 1, 2);
    grid->addWidget(BuildMac(), 1, 0);
    grid->addWidget(BuildSn(), 1, 1);
    grid->addWidget(BuildDevice(), 2, 0);
    grid->addWidget(BuildActions(), 2, 1);
    grid->addWidget(BuildBindings(), 0, 2, 3, 1);
    auto* back = new QPushButton(Q("返回主界面"), this);
    back->setObjectName("ID_RETURN_MAIN");
    grid->addWidget(back, 3, 2);
    // The frame leaves the page (or keeps it open when a check fails).
    connect(back, &QPushButton::clicked, this, &ParameterPage::ReturnRequested);
}

QWidget* ParameterPage::BuildFiles() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    fileList_ = new QTreeWidget(box);
    fileList_->setColumnCount(4);
    fileList_->setHeaderLabels({Q("名称"), Q("路径"), Q("地址"), Q("大小")});
    const int widths[] = {100, 360, 80, 90};
    for (int c = 0; c < 4; ++c) fileList_->setColumnWidth(c, widths[c]);
    fileList_->setRootIsDecorated(false);
    fileList_->setAllColumnsShowFocus(true);
    fileList_->setMinimumHeight(110);
    // A double click on the address (and only there) opens it for editing in place.
    fileList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(fileList_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int column) {
        if (column == kColAddress) fileList_->editItem(item, column);
    });
    grid->addWidget(fileList_, 0, 0, 1, 6);
    grid->addWidget(new QLabel(Q("升级包路径"), box), 1, 0);
    packPath_ = NewEdit(box, int(kPathChars));
    grid->addWidget(packPath_, 1, 1);
    auto* pick = new QPushButton(Q("..."), box);
    grid->addWidget(pick, 1, 2);
    auto* refresh = new QPushButton(Q("刷新列表"), box);
    grid->addWidget(refresh, 1, 3);
    ezip_ = new QCheckBox(Q("压缩"), box);
    productRefresh_ = new QCheckBox(Q("列表刷新"), box);
    fileGroup_ = new QCheckBox(Q("打包下载"), box);
    grid->addWidget(ezip_, 2, 1);
    grid->addWidget(productRefresh_, 2, 2);
    grid->addWidget(fileGroup_, 2, 3);
    connect(packPath_, &QLineEdit::textEdited, this, &ParameterPage::RefreshFileList);
    connect(refresh, &QPushButton::clicked, this, &ParameterPage::RefreshFileList);
    connect(productRefresh_, &QCheckBox::clicked, this, [this](bool ticked) {
        if (ticked) RefreshFileList();
    });
    connect(pick, &QPushButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, QString(), packPath_->text());
        if (dir.isEmpty()) return;
        packPath_->setText(dir);
        RefreshFileList();
    });
    return box;
}

QWidget* ParameterPage::BuildMac() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    macEnable_ = new QCheckBox(Q("BLE MAC 烧录"), box);
    grid->addWidget(macEnable_, 0, 0, 1, 3);
    auto addressRow = [&](int row, const char* label, std::array<QLineEdit*, 6>& edits) {
        auto* caption = new QLabel(Q(label), box);
        grid->addWidget(caption, row, 0);
        auto* line = new QHBoxLayout;
        for (QLineEdit*& edit : edits) {
            edit = AddressEdit(box);
            line->addWidget(edit);
        }
        grid->addLayout(line, row, 1, 1, 3);
        rangeControls_.push_back(caption);
        for (QLineEdit* edit : edits) rangeControls_.push_back(edit);
    };
    addressRow(1, "起始地址", startEdits_);
    addressRow(2, "结束地址", endEdits_);
    auto* curLabel = new QLabel(Q("当前地址"), box);
    curAddr_ = NewEdit(box);
    curAddr_->setReadOnly(true);
    grid->addWidget(curLabel, 3, 0);
    grid->addWidget(curAddr_, 3, 1, 1, 2);
    macRestart_ = new QPushButton(Q("重新计数"), box);
    grid->addWidget(macRestart_, 3, 3);
    rangeControls_.insert(rangeControls_.end(), {curLabel, curAddr_, macRestart_});
    grid->addWidget(new QLabel(Q("自增指数"), box), 4, 0);
    macUp_ = NumberEdit(box);
    grid->addWidget(macUp_, 4, 1);

    random_ = new QCheckBox(Q("随机数"), box);
    grid->addWidget(random_, 5, 0);
    auto* maskLabel = new QLabel(Q("随机地址"), box);
    grid->addWidget(maskLabel, 6, 0);
    auto* maskLine = new QHBoxLayout;
    for (QLineEdit*& edit : maskEdits_) {
        edit = AddressEdit(box);
        maskLine->addWidget(edit);
    }
    auto* maskNote = new QLabel(Q("XX XX XX XX  后4Byte随机"), box);
    maskLine->addWidget(maskNote);
    grid->addLayout(maskLine, 6, 1, 1, 3);
    randomControls_ = {maskLabel, maskEdits_[0], maskEdits_[1], maskNote};

    macLocal_ = new QCheckBox(Q("MAC本地产生"), box);
    grid->addWidget(macLocal_, 5, 1);
    macFromFile_ = new QCheckBox(Q("从文件获取"), box);
    grid->addWidget(macFromFile_, 5, 2);
    macFile_ = NewEdit(box, int(kPathChars));
    macFilePick_ = new QPushButton(Q("..."), box);
    grid->addWidget(macFile_, 7, 0, 1, 3);
    grid->addWidget(macFilePick_, 7, 3);

    bleNameFlag_ = new QCheckBox(Q("BLE名称"), box);
    bleName_ = NewEdit(box, kNameChars);
    btNameFlag_ = new QCheckBox(Q("BT名称"), box);
    btName_ = NewEdit(box, kNameChars);
    grid->addWidget(bleNameFlag_, 8, 0);
    grid->addWidget(bleName_, 8, 1, 1, 3);
    grid->addWidget(btNameFlag_, 9, 0);
    grid->addWidget(btName_, 9, 1, 1, 3);

    for (QCheckBox* box : {macEnable_, random_, macLocal_, macFromFile_}) connect(box, &QCheckBox::clicked, this, [this] {
        ApplyMacRule();
    });
    connect(macFromFile_, &QCheckBox::clicked, this, [this](bool ticked) {
        if (ticked) random_->setChecked(false);
        ApplyMacRule();
    });
    connect(bleNameFlag_, &QCheckBox::clicked, this, &ParameterPage::ApplyFunction);
    connect(btNameFlag_, &QCheckBox::clicked, this, &ParameterPage::ApplyFunction);
    connect(macRestart_, &QPushButton::clicked, this, &ParameterPage::RestartMac);
    connect(macFilePick_, &QPushButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getOpenFileName(this, QString(), macFile_->text(), Q("Mac_info_file(*.xlsx)"));
        if (!file.isEmpty()) macFile_->setText(file);
    });
    return box;
}

QWidget* ParameterPage::BuildSn() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    snEnable_ = new QCheckBox(Q("SN 烧录"), box);
    snLocal_ = new QCheckBox(Q("SN本地产生"), box);
    grid->addWidget(snEnable_, 0, 0);
    grid->addWidget(snLocal_, 0, 1);
    int row = 1;
    auto labelled = [&](const char* label, QLineEdit* edit) {
        auto* caption = new QLabel(Q(label), box);
        grid->addWidget(caption, row, 0);
        grid->addWidget(edit, row++, 1, 1, 2);
        snControls_.insert(snControls_.end(), {caption, edit});
    };
    snDes_ = NewEdit(box, kSnDesChars);
    snStart_ = NumberEdit(box, kSnMaxWidth);
    snCur_ = NewEdit(box);
    snCur_->setReadOnly(true);
    snUp_ = NumberEdit(box);
    labelled("描述符", snDes_);
    labelled("起始值", snStart_);
    labelled("当前值", snCur_);
    labelled("自增值", snUp_);
    snWidth_ = new QLabel(box);
    snRestart_ = new QPushButton(Q("重新计数"), box);
    grid->addWidget(snWidth_, row, 0, 1, 2);
    grid->addWidget(snRestart_, row++, 2);
    snControls_.insert(snControls_.end(), {snWidth_, snRestart_});

    alpayEnable_ = new QCheckBox(Q("ALPAY信息 烧录"), box);
    grid->addWidget(alpayEnable_, row++, 0, 1, 3);
    const char* alpayLabels[] = {"PK", "DN", "DS"};
    for (size_t i = 0; i < alpayEdits_.size(); ++i) {
        auto* caption = new QLabel(Q(alpayLabels[i]), box);
        alpayEdits_[i] = NewEdit(box, 260);
        grid->addWidget(caption, row, 0);
        grid->addWidget(alpayEdits_[i], row++, 1, 1, 2);
        alpayControls_.insert(alpayControls_.end(), {caption, alpayEdits_[i]});
    }
    connect(snEnable_, &QCheckBox::clicked, this, &ParameterPage::ApplySnRule);
    connect(snLocal_, &QCheckBox::clicked, this, &ParameterPage::ApplySnRule);
    connect(alpayEnable_, &QCheckBox::clicked, this, &ParameterPage::ApplyAlpayRule);
    connect(snRestart_, &QPushButton::clicked, this, &ParameterPage::RestartSn);
    return box;
}

QWidget* ParameterPage::BuildDevice() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    device_ = new QComboBox(box);
    portType_ = new QComboBox(box);
    portType_->addItems({Q("SWD"), Q("UART")});
    uartBaud_ = NumberEdit(box);
    swdBaud_ = NumberEdit(box);
    unit_ = new QLabel(box);
    grid->addWidget(new QLabel(Q("型号"), box), 0, 0);
    grid->addWidget(device_, 0, 1, 1, 2);
    grid->addWidget(new QLabel(Q("接口"), box), 1, 0);
    grid->addWidget(portType_, 1, 1, 1, 2);
    grid->addWidget(uartBaud_, 2, 1);
    grid->addWidget(swdBaud_, 2, 1);
    grid->addWidget(unit_, 2, 2);
    projectCode_ = NewEdit(box, int(kPathChars));
    projectCode_->hide();  // project items are not offered on this line
    connect(portType_, &QComboBox::currentIndexChanged, this, &ParameterPage::ApplyPortTypeRule);
    connect(device_, &QComboBox::currentTextChanged, this, &ParameterPage::DeviceChanged);
    return box;
}

QWidget* ParameterPage::BuildBindings() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    snBind_ = new QCheckBox(Q("SN指定"), box);
    desBind_ = new QCheckBox(Q("描述符指定"), box);
    portBind_ = new QCheckBox(Q("端口指定"), box);
    grid->addWidget(snBind_, 0, 0, 1, 2);
    grid->addWidget(desBind_, 1, 0, 1, 2);
    grid->addWidget(portBind_, 2, 0, 1, 2);
    bindingSets_ = new QStackedWidget(box);
    for (auto& set : bindingEdits_) {
        auto* page = new QWidget(bindingSets_);
        auto* rows = new QGridLayout(page);
        rows->setContentsMargins(0, 0, 0, 0);
        rows->setVerticalSpacing(1);
        for (int channel = 1; channel <= kChannelCount; ++channel) {
            rows->addWidget(new QLabel(QString::number(channel), page), channel - 1, 0);
            set[size_t(channel - 1)] = NewEdit(page, 50);
            rows->addWidget(set[size_t(channel - 1)], channel - 1, 1);
        }
        bindingSets_->addWidget(page);
    }
    grid->addWidget(bindingSets_, 3, 0, 1, 2);
    // The two UART bindings exclude each other and are written at once.
    auto uartBinding = [this](QCheckBox* clicked, QCheckBox* other, int flag) {
        connect(clicked, &QCheckBox::clicked, this, [this, other, flag](bool ticked) {
            engine_.Settings().Write(UART_FILTER::FILTER_FLAG, ticked ? flag : 0);
            if (ticked) other->setChecked(false);
            ApplyBindingRule();
        });
    };
    uartBinding(desBind_, portBind_, 1);
    uartBinding(portBind_, desBind_, 2);
    return box;
}

QWidget* ParameterPage::BuildActions() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    saveLog_ = new QCheckBox(Q("保存LOG"), box);
    jlinkUi_ = new QCheckBox(Q("JLINK UI"), box);
    errBox_ = new QCheckBox(Q("ERR BOX"), box);
    compare_ = new QCheckBox(Q("Compare"), box);
    verify_ = new QCheckBox(Q("Verify"), box);
    postAct_ = new QCheckBox(Q("下载完重启"), box);
    sendReset_ = new QCheckBox(Q("发送 Reset"), box);
    sendHold_ = new QCheckBox(Q("发送 Hold"), box);
    QCheckBox* order[] = {saveLog_, jlinkUi_, errBox_, compare_, verify_, postAct_, sendReset_, sendHold_};
    for (int i = 0; i < 8; ++i) grid->addWidget(order[i], i / 2, i % 2);
    connect(sendReset_, &QCheckBox::clicked, this, [this](bool ticked) {
        if (ticked) sendHold_->setChecked(false);
    });
    connect(sendHold_, &QCheckBox::clicked, this, [this](bool ticked) {
        if (ticked) sendReset_->setChecked(false);
    });
    return box;
}

void ParameterPage::ShowAddress(const std::array<QLineEdit*, 6>& edits, const std::string& text) {
    for (size_t i = 0; i < edits.size(); ++i) edits[i]->setText(Q(text.substr(2 * i, 2)));
}

std::string ParameterPage::Address(const std::array<QLineEdit*, 6>& edits) const {
    std::string text;
    for (QLineEdit* edit : edits) text += S(edit->text());
    return text;
}

void ParameterPage::LoadFromSettings() {
    const StationSettings& settings = engine_.Settings();
    ezip_->setChecked(settings.Read(COMMON_SET::EZIP_FLAG));
    productRefresh_->setChecked(settings.Read(COMMON_SET::PRODUCT_FLAG));
    fileGroup_->setChecked(settings.Read(COMMON_SET::FILEGROUP_FLAG));
    packPath_->setText(Q(settings.Read(FILE_SET::PACK_PATH)));
    RefreshFileList();

    macEnable_->setChecked(settings.Read(BLE_SET::ENABLE_FLAG));
    random_->setChecked(settings.Read(BLE_SET::RANDOM_FLAG));
    macLocal_->setChecked(settings.Read(BLE_SET::LOCAL_FLAG));
    macFromFile_->setChecked(settings.Read(BLE_SET::MAC_FLIE_FLAG));
    macFile_->setText(Q(settings.Read(BLE_SET::MAC_FILE)));
    bleNameFlag_->setChecked(settings.Read(BLE_SET::NAME_FLAG));
    btNameFlag_->setChecked(settings.Read(BLE_SET::BT_NAME_FLAG));
    const auto name = [&](const TextKey& key, const char* what) {
        const std::string raw = settings.ReadRaw(key).value_or("");
        const std::string cut = settings.Read(key);
        if (cut != raw) Log(0, "%s name too long, use 29 char: %s\n", what, cut.c_str());
        return Q(cut);
    };
    bleName_->setText(name(BLE_SET::BLE_NAME, "BLE"));
    btName_->setText(name(BLE_SET::BT_NAME, "BT"));
    macUp_->setText(QString::number(LoadUpValue(settings, BLE_SET::UP_VALUE, "BLE")));
    ShowAddress(startEdits_, LoadAddressText(settings, BLE_SET::START_ADDR, kMacDigits, '0', "start"));
    curAddr_->setText(Q(LoadAddressText(settings, BLE_SET::CUR_ADDR, kMacDigits, '0', "cur")));
    const std::optional<SharedNextNumbers> pool = engine_.PoolNext();
    if (pool) curAddr_->setText(Q(pool->mac));
    ShowAddress(endEdits_, LoadAddressText(settings, BLE_SET::END_ADDR, kMacDigits, 'F', "end"));
    const std::string mask = LoadAddressText(settings, BLE_SET::MASK_ADDR, kMaskDigits, 'F', "max");
    maskEdits_[0]->setText(Q(mask.substr(0, 2)));
    maskEdits_[1]->setText(Q(mask.substr(2, 2)));

    snEnable_->setChecked(settings.Read(SN_SET::ENABLE_FLAG));
    const std::string des = settings.Read(SN_SET::SN_DES);
    if (des != settings.ReadRaw(SN_SET::SN_DES).value_or("")) Log(0, "SN des too long, use 80 char\n");
    snDes_->setText(Q(des));
    const SnFields sn = LoadSnFields(settings);
    snStart_->setText(Q(sn.start));
    snCur_->setText(Q(pool ? pool->sn : sn.current));
    snWidth_->setText(Q(SnWidthLabel(sn.width)));
    snUp_->setText(QString::number(LoadUpValue(settings, SN_SET::UP_VALUE, "SN")));

    alpayEnable_->setChecked(settings.Read(ALPAY_SET::ENABLE_FLAG));
    alpayEdits_[0]->setText(Q(settings.Read(ALPAY_SET::PK)));
    alpayEdits_[1]->setText(Q(settings.Read(ALPAY_SET::DN)));
    alpayEdits_[2]->setText(Q(settings.Read(ALPAY_SET::DS)));
    ApplyMacRule();
    ApplySnRule();
    ApplyAlpayRule();
    ApplyFunction();

    settings.EnsureRamLoaders();
    device_->clear();
    const int devices = settings.Read(DEV_SET::DEV_NUM);
    for (int n = 0; n < devices; ++n) device_->addItem(Q(settings.Read(DEV_SET::DEV_NAME(n))));
    device_->setCurrentIndex(settings.Read(DEV_SET::DEV_IDX));

    uartBaud_->setText(QString::number(settings.Read(UART_FILTER::BAUND)));
    swdBaud_->setText(QString::number(settings.Read(SWD_FILTER::BAUND)));
    snBind_->setChecked(settings.Read(SWD_FILTER::FILTER_FLAG) == 1);
    const int uartFilter = settings.Read(UART_FILTER::FILTER_FLAG);
    desBind_->setChecked(uartFilter == 1);
    portBind_->setChecked(uartFilter == 2);
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const size_t i = size_t(channel - 1);
        bindingEdits_[kBindSn][i]->setText(Q(settings.Read(SWD_FILTER::CH_SN(channel))));
        bindingEdits_[kBindDescriptor][i]->setText(Q(settings.Read(UART_FILTER::CH_DES(channel))));
        bindingEdits_[kBindPort][i]->setText(Q(settings.Read(UART_FILTER::CH_PORT(channel))));
    }
    portType_->setCurrentIndex(settings.Read(COMMON_SET::PORT_TYPE) == kPortTypeUart ? 1 : 0);
    ApplyPortTypeRule();

    saveLog_->setChecked(settings.Read(LOG_SET::CHANEL_LOG));
    jlinkUi_->setChecked(settings.Read(LOG_SET::GUI_FLAG));
    errBox_->setChecked(settings.Read(LOG_SET::GUIERR_FLAG));
    compare_->setChecked(settings.Read(LOG_SET::COMPARE_FLAG));
    verify_->setChecked(true);
    verify_->setEnabled(false);
    postAct_->setChecked(settings.Read(LOG_SET::POST_ACT) != 0);
    const int preAct = settings.Read(LOG_SET::PRE_ACT);
    sendHold_->setChecked(preAct == 2);
    sendReset_->setChecked(preAct == 1);
    projectCode_->setText(Q(settings.Read(PRODUCT_INFO::PROJECT_CODE)));
}

// A shared pool's counters are the truth; the station's own are in the file.
void ParameterPage::ShowCurrentNumbers() {
    const std::optional<SharedNextNumbers> pool = engine_.PoolNext();
    const StationSettings& settings = engine_.Settings();
    curAddr_->setText(Q(pool ? pool->mac : settings.Read(BLE_SET::CUR_ADDR)));
    snCur_->setText(Q(pool ? pool->sn : settings.Read(SN_SET::CUR_VALUE)));
}

void ParameterPage::RefreshFileList() {
    fileList_->clear();
    emit FileListRefreshed();
    for (const PackageFile& file : ListPackageFiles(engine_.Settings(), S(packPath_->text()))) {
        auto* item = new QTreeWidgetItem(fileList_, {Q(file.name), Q(file.path), Q(file.address), Q(file.size)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
        item->setCheckState(kColName, file.selected ? Qt::Checked : Qt::Unchecked);
        item->setData(kColName, kIndexRole, file.index);  // the FILE_SET index it is written back under
    }
}

std::vector<PackageFile> ParameterPage::Rows() const {
    std::vector<PackageFile> rows;
    for (int i = 0; i < fileList_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = fileList_->topLevelItem(i);
        PackageFile row;
        row.name = S(item->text(kColName));
        row.path = S(item->text(kColPath));
        row.address = S(item->text(kColAddress));
        row.size = S(item->text(kColSize));
        row.index = item->data(kColName, kIndexRole).toInt();
        row.selected = item->checkState(kColName) == Qt::Checked;
        rows.push_back(row);
    }
    return rows;
}

bool ParameterPage::Confirm() {
    if (!CheckSnStart()) return false;
    const StationSettings& settings = engine_.Settings();
    settings.Write(DEV_SET::DEV_IDX, device_->currentIndex());
    settings.Write(COMMON_SET::PORT_TYPE, portType_->currentIndex());
    settings.Write(UART_FILTER::BAUND, Number(uartBaud_));
    settings.Write(SWD_FILTER::BAUND, Number(swdBaud_));
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const size_t i = size_t(channel - 1);
        settings.Write(SWD_FILTER::CH_SN(channel), S(bindingEdits_[kBindSn][i]->text()));
        settings.Write(UART_FILTER::CH_DES(channel), S(bindingEdits_[kBindDescriptor][i]->text()));
        settings.Write(UART_FILTER::CH_PORT(channel), S(bindingEdits_[kBindPort][i]->text()));
    }
    settings.Write(SWD_FILTER::FILTER_FLAG, snBind_->isChecked() ? 1 : 0);
    settings.Write(UART_FILTER::FILTER_FLAG, desBind_->isChecked() ? 1 : portBind_->isChecked() ? 2 : 0);
    settings.Write(LOG_SET::CHANEL_LOG, saveLog_->isChecked());
    settings.Write(LOG_SET::GUI_FLAG, jlinkUi_->isChecked());
    settings.Write(LOG_SET::GUIERR_FLAG, errBox_->isChecked());
    settings.Write(LOG_SET::COMPARE_FLAG, compare_->isChecked());
    settings.Write(LOG_SET::VERIFY_FLAG, true);
    settings.Write(LOG_SET::POST_ACT, postAct_->isChecked() ? 1 : 0);
    settings.Write(LOG_SET::PRE_ACT, sendReset_->isChecked() ? 1 : sendHold_->isChecked() ? 2 : 0);
    settings.Write(PRODUCT_INFO::PROJECT_CODE, S(projectCode_->text()));
    settings.Write(FILE_SET::PACK_PATH, S(packPath_->text()));
    const std::vector<PackageFile> rows = Rows();
    WritePackageFiles(settings, rows);

    settings.Write(BLE_SET::ENABLE_FLAG, macEnable_->isChecked());
    settings.Write(BLE_SET::RANDOM_FLAG, random_->isChecked());
    settings.Write(BLE_SET::LOCAL_FLAG, macLocal_->isChecked());
    settings.Write(BLE_SET::MAC_FLIE_FLAG, macFromFile_->isChecked());
    settings.Write(BLE_SET::MAC_FILE, S(macFile_->text()));
    settings.Write(BLE_SET::START_ADDR, Address(startEdits_));
    settings.Write(BLE_SET::END_ADDR, Address(endEdits_));
    settings.Write(BLE_SET::MASK_ADDR, S(maskEdits_[0]->text() + maskEdits_[1]->text()));
    settings.Write(BLE_SET::UP_VALUE, Number(macUp_));
    settings.Write(BLE_SET::NAME_FLAG, bleNameFlag_->isChecked());
    settings.Write(BLE_SET::BLE_NAME, S(bleName_->text()));
    settings.Write(BLE_SET::BT_NAME_FLAG, btNameFlag_->isChecked());
    settings.Write(BLE_SET::BT_NAME, S(btName_->text()));
    settings.Write(SN_SET::ENABLE_FLAG, snEnable_->isChecked());
    settings.Write(SN_SET::SN_DES, S(snDes_->text()));
    settings.Write(SN_SET::START_VALUE, S(snStart_->text()));
    settings.Write(SN_SET::UP_VALUE, Number(snUp_));
    settings.Write(ALPAY_SET::ENABLE_FLAG, alpayEnable_->isChecked());
    settings.Write(ALPAY_SET::PK, S(alpayEdits_[0]->text()));
    settings.Write(ALPAY_SET::DN, S(alpayEdits_[1]->text()));
    settings.Write(ALPAY_SET::DS, S(alpayEdits_[2]->text()));
    settings.Write(COMMON_SET::EZIP_FLAG, ezip_->isChecked());
    settings.Write(COMMON_SET::PRODUCT_FLAG, productRefresh_->isChecked());
    settings.Write(COMMON_SET::FILEGROUP_FLAG, fileGroup_->isChecked());

    std::vector<DownloadFile> files;
    for (const PackageFile& row : rows) files.push_back({row.path, row.address, row.selected});
    const std::string problem =
        ConfirmDownloadSetup(settings, (engine_.Functions().Func() & kFuncBurn) != 0, files);
    if (!problem.empty()) {
        frontEnd_.Message(problem);
        return false;
    }
    return true;
}

// Every serial number is formatted at the counter's width: a start value of
// another width is refused (nothing is written), unless "重新计数" first sets
// the counter to it.
bool ParameterPage::CheckSnStart() {
    const SnFields typed = NormaliseSnStart(S(snStart_->text()));
    snStart_->setText(Q(typed.start));
    if (!snEnable_->isChecked() && !snLocal_->isChecked()) return true;  // hidden, as loaded
    const std::optional<SharedNextNumbers> pool = engine_.PoolNext();
    const std::string counter = pool ? pool->sn : engine_.Settings().Read(SN_SET::CUR_VALUE);
    const int counterWidth = int(counter.size());
    if (counter.empty() || typed.width == counterWidth) return true;
    const std::string text = "x SN起始值为" + std::to_string(typed.width) + "位，当前值为" +
                             std::to_string(counterWidth) + "位，位数不一致！\n请输入" + std::to_string(counterWidth) +
                             "位的起始值，或点击 重新计数 从起始值开始计数。";
    frontEnd_.Message(text);
    return false;
}

void ParameterPage::ApplyFunction() {
    const bool burn = engine_.Functions().Func() & kFuncBurn;
    bleName_->setVisible(!burn || bleNameFlag_->isChecked());
    btName_->setVisible(!burn || btNameFlag_->isChecked());
}

// Random addresses replace the range with the mask; a file replaces both.
void ParameterPage::ApplyMacRule() {
    const bool fromFile = macFromFile_->isChecked();
    const bool random = random_->isChecked() && !fromFile;
    SetVisible(rangeControls_, !random && !fromFile);
    SetVisible(randomControls_, random);
    macFile_->setVisible(fromFile);
    macFilePick_->setVisible(fromFile);
}

void ParameterPage::ApplySnRule() { SetVisible(snControls_, snLocal_->isChecked() || snEnable_->isChecked()); }

void ParameterPage::ApplyAlpayRule() { SetVisible(alpayControls_, alpayEnable_->isChecked()); }

void ParameterPage::ApplyPortTypeRule() {
    const bool uart = portType_->currentIndex() == 1;
    unit_->setText(uart ? "bps" : "kbps");
    uartBaud_->setVisible(uart);
    swdBaud_->setVisible(!uart);
    desBind_->setVisible(uart);
    portBind_->setVisible(uart);
    SetVisible({jlinkUi_, errBox_, sendReset_, sendHold_, snBind_}, !uart);
    ApplyBindingRule();
}

void ParameterPage::ApplyBindingRule() {
    const bool uart = portType_->currentIndex() == 1;
    bindingSets_->setCurrentIndex(!uart ? kBindSn : desBind_->isChecked() ? kBindDescriptor : kBindPort);
}

void ParameterPage::RestartMac() {
    if (!frontEnd_.Ask("确定要执行 重新计数 ?")) return;
    const std::string start = Address(startEdits_);
    curAddr_->setText(Q(start));
    RestartMacCount(engine_.Settings(), start);
}

void ParameterPage::RestartSn() {
    if (!frontEnd_.Ask("确定要执行 重新计数 ?")) return;
    const SnFields sn = RestartSnCount(engine_.Settings(), S(snStart_->text()));
    snStart_->setText(Q(sn.start));
    snCur_->setText(Q(sn.current));
    snWidth_->setText(Q(SnWidthLabel(sn.width)));
}

}  // namespace station::ui
