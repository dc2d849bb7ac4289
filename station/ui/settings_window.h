#pragma once
// The small modeless windows beside the main frame that edit a few keys:
// "确定" writes them and hides the window, "取消" only hides it. Each is made
// hidden with the frame and reads its keys each time it is shown.
#include <QDialog>
#include <string>
#include <utility>
#include <vector>

#include "station/engine/settings/ini_keys.h"

class QFormLayout;
class QLineEdit;

namespace station {
class StationSettings;
}

namespace station::ui {

class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    SettingsWindow(const char* caption, const StationSettings& settings, QWidget* parent);

    // Reads the keys into the controls and shows the window.
    void Open();
    virtual void Load();
    virtual void Save();
    // "确定": Save, then hide; false (the window stays) when Check refused.
    bool Confirm();
    // The edit bound to `key`, and its caption.
    QLineEdit* Edit(const TextKey& key) const;
    const char* Label(const TextKey& key) const;

protected:
    // The values are fit to be saved; a refusal has told the operator why.
    virtual bool Check() { return true; }
    // A line edit bound to a text key, in a row of the form (or of `group`).
    QLineEdit* AddEdit(const char* label, const TextKey& key, QFormLayout* group = nullptr);
    // Writes the edit bound to `key` (Save writes them all in form order).
    void SaveEdit(const TextKey& key);
    // The form rows go here; the buttons follow.
    QFormLayout* Form() const { return form_; }

    const StationSettings& settings_;

private:
    struct Binding {
        QLineEdit* edit;
        TextKey key;
        const char* label;
    };
    const Binding* Bound(const TextKey& key) const;

    QFormLayout* form_;
    std::vector<Binding> bindings_;
};

// "测试参数": the PCBA test's expected firmware version and names.
class TestParaWindow : public SettingsWindow {
    Q_OBJECT
public:
    TestParaWindow(const StationSettings& settings, QWidget* parent);
};

// "特殊参数设置": the start delay of the start-all command.
class SpecialParaWindow : public SettingsWindow {
    Q_OBJECT
public:
    SpecialParaWindow(const StationSettings& settings, QWidget* parent);
};

// "project code 获取": where the project code is fetched from.
class ProjectCodeWindow : public SettingsWindow {
    Q_OBJECT
public:
    ProjectCodeWindow(const StationSettings& settings, QWidget* parent);
};

}  // namespace station::ui
