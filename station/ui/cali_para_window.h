#pragma once
// "校准参数设置": battery-measurement and 48 MHz crystal calibration values.
#include "station/ui/settings_window.h"

class QComboBox;
class QLabel;

namespace station::ui {

class CaliParaWindow : public SettingsWindow {
    Q_OBJECT
public:
    CaliParaWindow(const StationSettings& settings, QWidget* parent);

    void Load() override;
    void Save() override;
    // Wired shows the pin and its note, wireless its six controls.
    void ApplyMethodRule();
    // The resistance pair shown is the device family's.
    void ShowResistancesFor(const std::string& device);

    QComboBox* Method() const { return method_; }
    QComboBox* Pins() const { return pins_; }
    QComboBox* Frequencies() const { return frequencies_; }

private:
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
