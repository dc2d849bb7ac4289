#include "station/ui/info_window.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "station/engine/state/channel_state.h"
#include "station/ui/ui_text.h"

namespace station::ui {

InfoWindow::InfoWindow(const ChannelTable& channels, QWidget* parent)
    : QDialog(parent, Qt::Tool), channels_(channels) {
    setWindowTitle(Q("第三方功能信息"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    table_ = new QTableWidget(this);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setShowGrid(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(29);
    column->addWidget(table_);
    resize(260, 29 * 17 + 8);
    Rebuild();
}

void InfoWindow::Rebuild() {
    table_->clear();
    table_->setColumnCount(3);
    table_->setHorizontalHeaderLabels({Q("通道"), Q("MAC"), Q("SN")});
    table_->setColumnWidth(0, 40);
    table_->setColumnWidth(1, 100);
    table_->setColumnWidth(2, 100);
    table_->setRowCount(kChannelCount);
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        auto* number = new QTableWidgetItem(QString::number(channel));
        number->setTextAlignment(Qt::AlignCenter);
        table_->setItem(channel - 1, 0, number);
        table_->setItem(channel - 1, 1, new QTableWidgetItem);
        table_->setItem(channel - 1, 2, new QTableWidgetItem);
        RefreshRow(channel);
    }
}

void InfoWindow::RefreshRow(int channel) {
    const ChannelState& row = channels_[channel];
    table_->item(channel - 1, 1)->setText(Q(row.macText.Get()));
    table_->item(channel - 1, 2)->setText(Q(row.snText.Get()));
}

}  // namespace station::ui
