#pragma once
// "校准参数设置": battery-measurement and 48 MHz crystal calibration values.
#include "station/ui/settings_window.h"

class QComboBox;
class QLabel;

namespace station {
class StationFrontEnd;
}

namespace station::ui {

class CaliParaWindow : public SettingsWindow {
    Q_OBJECT
public:
    // frontEnd: where a refused field is reported.
    CaliParaWindow(const StationSettings& settings, StationFrontEnd& frontEnd, QWidget* parent);

    void Load() override;
    void Save() override;
    // Wired shows the pin and its note, wireless its six controls.
    void ApplyMethodRule();
    // The resistance pair shown is the device family's.
    void ShowResistancesFor(const std::string& device);

    QComboBox* Method() const { return method_; }
    QComboBox* Pins() const { return pins_; }
    QComboBox* Frequencies() const { return frequencies_; }
    QLineEdit* ResistanceBig() const { return resistanceBig_; }

protected:
    // The fields of the chosen crystal method and the battery's go into the
    // tools' calibration commands: each must be a number.
    bool Check() override;

private:
    bool CheckField(const char* caption, QLineEdit* edit, bool required, bool hexadecimal);

    StationFrontEnd& frontEnd_;
    QLineEdit* resistanceBig_;
    QLineEdit* resistanceSmall_;
    QComboBox* method_;
    QComboBox* pins_;
    QComboBox* frequencies_;
    QLabel* pinNote_;
    std::vector<QWidget*> wiredOnly_;
    std::vector<QWidget*> wirelessOnly_;
};

}  // namespace station::ui
