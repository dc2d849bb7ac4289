#include "station/ui/cali_para_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "common/text_search.h"
#include "station/engine/settings/station_settings.h"
#include "station/ui/ui_text.h"

namespace station::ui {

namespace {

QWidget* LabelOf(QFormLayout* form, QWidget* field) { return form->labelForField(field); }

// A titled group of form rows inside the window's form.
QFormLayout* AddGroup(QFormLayout* form, const char* title, QWidget* parent) {
    auto* box = new QGroupBox(Q(title), parent);
    auto* rows = new QFormLayout(box);
    form->addRow(box);
    return rows;
}

}  // namespace

CaliParaWindow::CaliParaWindow(const StationSettings& settings, QWidget* parent)
    : SettingsWindow("校准参数设置", settings, parent) {
    QFormLayout* battery = AddGroup(Form(), "电池测量校准参数", this);
    AddEdit("参考电压 (mV)", CALI_SET::CALI_VOLT, battery);
    AddEdit("测量范围 (mV)", CALI_SET::CALI_VOLTRANGE, battery);
    AddEdit("校准精度 (mV)", CALI_SET::CALI_VOLTTHRESH, battery);
    // Shown for the device family; not written back (the keys are the maker's).
    resistanceBig_ = new QLineEdit(this);
    resistanceSmall_ = new QLineEdit(this);
    battery->addRow(Q("电阻_大 (kΩ)"), resistanceBig_);
    battery->addRow(Q("电阻_小 (kΩ)"), resistanceSmall_);

    QFormLayout* form = AddGroup(Form(), "48M晶体校准参数", this);
    method_ = new QComboBox(this);
    method_->addItems({Q("有线方式"), Q("无线方式")});
    form->addRow(Q("校准方式"), method_);
    AddEdit("校准时长 (S)", CALI_SET::CALI_TIMELEN, form);
    AddEdit("校准精度 (ppm)", CALI_SET::CALI_THRESHHOLD, form);

    pins_ = new QComboBox(this);
    form->addRow(Q("信号管脚"), pins_);
    pinNote_ = new QLabel(this);
    form->addRow(pinNote_);
    wiredOnly_ = {pins_, LabelOf(form, pins_), pinNote_};

    frequencies_ = new QComboBox(this);
    for (int d = 0; d < 40; ++d) frequencies_->addItem(QString::asprintf("%d - %d MHz", d, 2402 + 2 * d));
    form->addRow(Q("信道频率"), frequencies_);
    wirelessOnly_ = {frequencies_, LabelOf(form, frequencies_)};
    const std::pair<const char*, TextKey> wireless[] = {
        {"同步码", CALI_SET::CALI_SYNCCODE},       {"判定次数", CALI_SET::CALI_JUDGECNT},
        {"数据包递增量", CALI_SET::CALI_PKTSTEP}, {"初始统计包数", CALI_SET::CALI_PKTINIT},
        {"统计最大包数", CALI_SET::CALI_PKTMAX},
    };
    for (const auto& [label, key] : wireless) {
        QLineEdit* edit = AddEdit(label, key, form);
        wirelessOnly_.push_back(edit);
        wirelessOnly_.push_back(LabelOf(form, edit));
    }
    connect(method_, &QComboBox::currentIndexChanged, this, &CaliParaWindow::ApplyMethodRule);
}

void CaliParaWindow::Load() {
    SettingsWindow::Load();
    ShowResistancesFor(settings_.DeviceType());
    pins_->clear();
    for (const std::string& pin : settings_.CaliPortNames()) pins_->addItem(Q(pin));
    pins_->setCurrentIndex(settings_.Read(CALI_SET::CALI_PORT));
    frequencies_->setCurrentIndex(settings_.Read(CALI_SET::CALI_FREQIDX));
    method_->setCurrentIndex(settings_.Read(CALI_SET::CALI_CRYSTALTYPE));
    ApplyMethodRule();
}

void CaliParaWindow::ShowResistancesFor(const std::string& device) {
    const bool qm2b = common::Contains(device, "QM2B");
    resistanceBig_->setText(
        Q(settings_.Read(qm2b ? CALI_SET::CALI_RESISTANCE_BIG : CALI_SET::CALI_RESISTANCE_BIG_2C)));
    resistanceSmall_->setText(
        Q(settings_.Read(qm2b ? CALI_SET::CALI_RESISTANCE_SMALL : CALI_SET::CALI_RESISTANCE_SMALL_2C)));
}

// The calibration keys' established write order: keys new to the file
// are appended in it.
void CaliParaWindow::Save() {
    for (const TextKey* key : {&CALI_SET::CALI_VOLT, &CALI_SET::CALI_VOLTRANGE, &CALI_SET::CALI_THRESHHOLD,
                               &CALI_SET::CALI_VOLTTHRESH, &CALI_SET::CALI_TIMELEN})
        SaveEdit(*key);
    settings_.Write(CALI_SET::CALI_PORT, pins_->currentIndex());
    settings_.Write(CALI_SET::CALI_FREQIDX, frequencies_->currentIndex());
    settings_.Write(CALI_SET::CALI_CRYSTALTYPE, method_->currentIndex());
    for (const TextKey* key : {&CALI_SET::CALI_SYNCCODE, &CALI_SET::CALI_JUDGECNT, &CALI_SET::CALI_PKTSTEP,
                               &CALI_SET::CALI_PKTINIT, &CALI_SET::CALI_PKTMAX})
        SaveEdit(*key);
}

void CaliParaWindow::ApplyMethodRule() {
    const bool wired = method_->currentIndex() != 1;
    for (QWidget* widget : wiredOnly_)
        if (widget) widget->setVisible(wired);
    for (QWidget* widget : wirelessOnly_)
        if (widget) widget->setVisible(!wired);
}

}  // namespace station::ui
