#include "station/ui/cali_para_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "common/text_search.h"
#include "station/engine/jobs/job_services.h"
#include "station/engine/settings/station_settings.h"
#include "station/ui/ui_text.h"

namespace station::ui {

namespace {

constexpr const char* kResistanceBig = "电阻_大 (kΩ)";
constexpr const char* kResistanceSmall = "电阻_小 (kΩ)";

QWidget* LabelOf(QFormLayout* form, QWidget* field) { return form->labelForField(field); }

bool AllOf(QStringView text, bool (*digit)(QChar)) {
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (!digit(c)) return false;
    return true;
}

bool Decimal(QChar c) { return c >= '0' && c <= '9'; }
bool Hexadecimal(QChar c) { return Decimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A number as the tools read it whole: decimal digits, or hexadecimal ones
// after "0x"; a blank would split the command's arguments. The sync code
// may be written in hexadecimal without the "0x".
bool IsNumber(const QString& text, bool hexadecimal) {
    if (text.startsWith("0x")) return AllOf(QStringView(text).mid(2), Hexadecimal);
    return AllOf(text, hexadecimal ? Hexadecimal : Decimal);
}

// A titled group of form rows inside the window's form.
QFormLayout* AddGroup(QFormLayout* form, const char* title, QWidget* parent) {
    auto* box = new QGroupBox(Q(title), parent);
    auto* rows = new QFormLayout(box);
    form->addRow(box);
    return rows;
}

}  // namespace

CaliParaWindow::CaliParaWindow(const StationSettings& settings, StationFrontEnd& frontEnd, QWidget* parent)
    : SettingsWindow("校准参数设置", settings, parent), frontEnd_(frontEnd) {
    QFormLayout* battery = AddGroup(Form(), "电池测量校准参数", this);
    AddEdit("参考电压 (mV)", CALI_SET::CALI_VOLT, battery);
    AddEdit("测量范围 (mV)", CALI_SET::CALI_VOLTRANGE, battery);
    AddEdit("校准精度 (mV)", CALI_SET::CALI_VOLTTHRESH, battery);
    // Shown for the device family; not written back (the keys are the maker's),
    // so they cannot be edited either.
    resistanceBig_ = new QLineEdit(this);
    resistanceSmall_ = new QLineEdit(this);
    resistanceBig_->setReadOnly(true);
    resistanceSmall_->setReadOnly(true);
    battery->addRow(Q(kResistanceBig), resistanceBig_);
    battery->addRow(Q(kResistanceSmall), resistanceSmall_);

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

// A filled field must be a number; the fields of a calibration the ribbon
// has selected must be filled.
bool CaliParaWindow::Check() {
    const int cali = settings_.Read(COMMON_SET::CALI_TYPE);
    const bool crystal = cali & 1, battery = cali & 2;
    auto field = [this](const TextKey& key, bool required, bool hexadecimal = false) {
        return CheckField(Label(key), Edit(key), required, hexadecimal);
    };
    for (const TextKey* key : {&CALI_SET::CALI_VOLT, &CALI_SET::CALI_VOLTRANGE, &CALI_SET::CALI_VOLTTHRESH})
        if (!field(*key, battery)) return false;
    if (!CheckField(kResistanceBig, resistanceBig_, battery, false) ||
        !CheckField(kResistanceSmall, resistanceSmall_, battery, false))
        return false;
    const bool wired = method_->currentIndex() != 1;
    if (wired) {
        if (!field(CALI_SET::CALI_THRESHHOLD, crystal)) return false;
    }
    if (!field(CALI_SET::CALI_TIMELEN, crystal)) return false;
    if (wired) {
        // The command takes the pin's number, after its port letters ("PB08": 08).
        const QString pin = pins_->currentText();
        if ((crystal || !pin.isEmpty()) && !IsNumber(pin.mid(2), false)) {
            frontEnd_.Message(S("x 校准参数 信号管脚 无效: " + pin));
            return false;
        }
        return true;
    }
    if (!field(CALI_SET::CALI_SYNCCODE, crystal, true)) return false;
    for (const TextKey* key : {&CALI_SET::CALI_JUDGECNT, &CALI_SET::CALI_PKTSTEP, &CALI_SET::CALI_PKTINIT,
                               &CALI_SET::CALI_PKTMAX})
        if (!field(*key, crystal)) return false;
    return true;
}

bool CaliParaWindow::CheckField(const char* caption, QLineEdit* edit, bool required, bool hexadecimal) {
    const QString text = edit->text().trimmed();
    if (!edit->isReadOnly()) edit->setText(text);
    if (text.isEmpty() && !required) return true;
    if (IsNumber(text, hexadecimal)) return true;
    const char* rule = hexadecimal ? "须为十进制或十六进制数字，不能为空或含空格" : "须为数字，不能为空或含空格";
    frontEnd_.Message(std::string("x 校准参数 ") + caption + " " + rule + ": " + S(text));
    edit->setFocus();
    return false;
}

void CaliParaWindow::ApplyMethodRule() {
    const bool wired = method_->currentIndex() != 1;
    for (QWidget* widget : wiredOnly_)
        if (widget) widget->setVisible(wired);
    for (QWidget* widget : wirelessOnly_)
        if (widget) widget->setVisible(!wired);
}

}  // namespace station::ui
