#pragma once
// One channel panel: sixteen rows of check box, port, start/stop button,
// progress bar (burn and calibration panels), time and result cells. The
// rows show the engine's channel state; the panel owns only its controls.
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "station/engine/settings/ini_keys.h"
#include "station/ui/panel_variant.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace station {
class StationEngine;
}

namespace station::ui {

class ChannelProgressBar;

class ChannelPanel : public QWidget {
    Q_OBJECT
public:
    ChannelPanel(const PanelVariant& variant, StationEngine& engine, QWidget* parent = nullptr);

    const PanelVariant& Variant() const { return variant_; }
    // Repaints a row from the channel's state (and the engine's controls).
    void RefreshRow(int channel);
    void RefreshAll();
    // After a function switch the rows show no results and empty bars until
    // their channel starts a job here; the channel state keeps its results.
    void ShowFresh();
    void JobStarted(int channel);
    // The check boxes as CHAN_SET says.
    void LoadChecks();
    void SetCheckEnabled(int channel, bool enabled);

    // Row controls, for the tests and the screenshots.
    QCheckBox* CheckBox(int channel) const { return rows_.at(size_t(channel - 1)).check; }
    QPushButton* Button(int channel) const { return rows_.at(size_t(channel - 1)).button; }
    QLabel* TimeLabel(int channel) const { return rows_.at(size_t(channel - 1)).time; }
    QLabel* Cell(int channel, size_t column) const { return rows_.at(size_t(channel - 1)).cells.at(column); }
    ChannelProgressBar* ProgressBar(int channel) const { return rows_.at(size_t(channel - 1)).progress; }

    // The panel's size in the window as first shown, which the texts scale from.
    void SetFirstSize(const QSize& size);
    // Milliseconds of a steady clock, for the double-click guard (tests set it).
    void SetClickClock(platform::Clock& clock) { clickClock_ = &clock; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Row {
        QCheckBox* check = nullptr;
        QLabel* port = nullptr;
        QPushButton* button = nullptr;
        ChannelProgressBar* progress = nullptr;
        QLabel* time = nullptr;
        std::vector<QLabel*> cells;
        bool fresh = false;  // no job on this panel since the function switch
        std::optional<uint64_t> lastClickMs;
    };
    void BuildRow(int channel, int gridRow);
    void ClickButton(int channel);

    const PanelVariant& variant_;
    StationEngine& engine_;
    std::array<Row, kChannelCount> rows_;
    QSize firstSize_;
    platform::Clock* clickClock_ = &platform::SystemClock();
};

// Colours a label's text (opaque background); an invalid colour restores the default.
void SetTextColour(QLabel* label, const QColor& colour);

}  // namespace station::ui
