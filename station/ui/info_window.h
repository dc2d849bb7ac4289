#pragma once
// "第三方功能信息": the MAC address and serial number given to each channel's device.
#include <QDialog>

class QTableWidget;

namespace station {
class ChannelTable;
}

namespace station::ui {

class InfoWindow : public QDialog {
    Q_OBJECT
public:
    InfoWindow(const ChannelTable& channels, QWidget* parent);

    // Columns "通道", "MAC", "SN" and rows "1" to "16", made anew.
    void Rebuild();
    void RefreshRow(int channel);
    QTableWidget* Table() const { return table_; }

private:
    const ChannelTable& channels_;
    QTableWidget* table_;
};

}  // namespace station::ui
