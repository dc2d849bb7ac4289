#include "station/ui/settings_window.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "station/engine/settings/station_settings.h"
#include "station/ui/ui_text.h"

namespace station::ui {

SettingsWindow::SettingsWindow(const char* caption, const StationSettings& settings, QWidget* parent)
    : QDialog(parent, Qt::Tool), settings_(settings) {
    setWindowTitle(Q(caption));
    setModal(false);
    auto* column = new QVBoxLayout(this);
    form_ = new QFormLayout;
    column->addLayout(form_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Q("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Q("取消"), QDialogButtonBox::RejectRole);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsWindow::Confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
}

void SettingsWindow::Open() {
    Load();
    show();
    raise();
}

QLineEdit* SettingsWindow::AddEdit(const char* label, const TextKey& key, QFormLayout* group) {
    auto* edit = new QLineEdit(this);
    edit->setMaxLength(int(std::min<size_t>(key.capacity, kPathChars + 1)));
    (group ? group : form_)->addRow(Q(label), edit);
    bindings_.push_back({edit, key, label});
    return edit;
}

void SettingsWindow::Load() {
    for (const Binding& binding : bindings_) binding.edit->setText(Q(settings_.Read(binding.key)));
}

void SettingsWindow::Save() {
    for (const Binding& binding : bindings_) SaveEdit(binding.key);
}

void SettingsWindow::SaveEdit(const TextKey& key) {
    if (const QLineEdit* edit = Edit(key)) settings_.Write(key, S(edit->text().left(int(key.capacity))));
}

bool SettingsWindow::Confirm() {
    if (!Check()) return false;
    Save();
    hide();
    return true;
}

const SettingsWindow::Binding* SettingsWindow::Bound(const TextKey& key) const {
    for (const Binding& binding : bindings_)
        if (binding.key.section == key.section && binding.key.key == key.key) return &binding;
    return nullptr;
}

QLineEdit* SettingsWindow::Edit(const TextKey& key) const {
    const Binding* binding = Bound(key);
    return binding ? binding->edit : nullptr;
}

const char* SettingsWindow::Label(const TextKey& key) const {
    const Binding* binding = Bound(key);
    return binding ? binding->label : "";
}

// The BT name and version are kept too, so the window shows what was typed.
TestParaWindow::TestParaWindow(const StationSettings& settings, QWidget* parent)
    : SettingsWindow("测试参数", settings, parent) {
    AddEdit("固件版本", PCBA_TEST::FW_VERSION);
    AddEdit("BLE 名称", PCBA_TEST::BLE_NAME);
    AddEdit("BT 名称", PCBA_TEST::BT_NAME);
    AddEdit("BT 版本", PCBA_TEST::BT_VERSION);
}

SpecialParaWindow::SpecialParaWindow(const StationSettings& settings, QWidget* parent)
    : SettingsWindow("特殊参数设置", settings, parent) {
    AddEdit("等待时间 (秒)", COMMON_SET::DELAY_SECOND);
}

ProjectCodeWindow::ProjectCodeWindow(const StationSettings& settings, QWidget* parent)
    : SettingsWindow("project code 获取", settings, parent) {
    AddEdit("URL", PRJ_CODE::PROJECT_URL);
    AddEdit("PRJ NAME", PRJ_CODE::PROJECT_NAME);
    Form()->addRow(Q("PRJ CODE"), new QPlainTextEdit(this));
    // The fetch itself needs the maker's project server, which the line has not.
    auto* fetch = new QPushButton(Q("获  取"), this);
    Form()->addRow(QString(), fetch);
}

}  // namespace station::ui
