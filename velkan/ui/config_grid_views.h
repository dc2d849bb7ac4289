#pragma once
#include <QCheckBox>
#include <QTableWidget>
#include <QWidget>

#include "velkan/config_grids.h"

namespace velkan {

// The four editable grids with their switches. Cells hold plain text; the
// choice columns are edited through drop-down lists.
class ConfigGridViews : public QWidget {
    Q_OBJECT
public:
    explicit ConfigGridViews(QWidget* parent = nullptr);

    ConfigGrids Read() const;
    // Fills every row and sets the switches (and so the grids' enabled state).
    void Show(const ConfigGrids& grids);

    QCheckBox* pinSwitch() const { return pinSwitch_; }
    QCheckBox* pmicSwitch() const { return pmicSwitch_; }
    QCheckBox* flashSwitch() const { return flashSwitch_; }
    QTableWidget* pinGrid() const { return pinGrid_; }
    QTableWidget* i2cGrid() const { return i2cGrid_; }
    QTableWidget* channelGrid() const { return channelGrid_; }
    QTableWidget* flashGrid() const { return flashGrid_; }

private:
    QCheckBox* pinSwitch_;
    QCheckBox* pmicSwitch_;
    QCheckBox* flashSwitch_;
    QTableWidget* pinGrid_;
    QTableWidget* i2cGrid_;
    QTableWidget* channelGrid_;
    QTableWidget* flashGrid_;
};

}  // namespace velkan
