#include "velkan/ui/config_grid_views.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

#include "velkan/ui/choice_delegate.h"

namespace velkan {
namespace {

struct Column {
    const char* title;
    int width;  // at 96 dpi
};

QTableWidget* MakeGrid(QWidget* parent, int rows, std::initializer_list<Column> columns) {
    auto* grid = new QTableWidget(rows, int(columns.size()), parent);
    grid->setShowGrid(true);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                          QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    grid->verticalHeader()->setVisible(false);
    // Compact rows, so the twelve rows of a table fit without scrolling.
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    const double scale = parent->logicalDpiX() / 96.0;
    int c = 0;
    for (const Column& column : columns) {
        grid->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(column.title)));
        grid->setColumnWidth(c, int(column.width * scale));
        ++c;
    }
    for (int r = 0; r < rows; ++r) {
        for (int col = 0; col < grid->columnCount(); ++col) grid->setItem(r, col, new QTableWidgetItem());
    }
    return grid;
}

void MakeSelectColumn(QTableWidget* grid) {
    for (int r = 0; r < grid->rowCount(); ++r) {
        QTableWidgetItem* cell = grid->item(r, 0);
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        cell->setCheckState(Qt::Unchecked);
    }
}

void MakeFixedText(QTableWidget* grid, int column, const QStringList& texts) {
    for (int r = 0; r < grid->rowCount(); ++r) {
        QTableWidgetItem* cell = grid->item(r, column);
        cell->setText(texts.value(r));
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
}

void SetChoices(QTableWidget* grid, int column, QStringList choices) {
    grid->setItemDelegateForColumn(column, new ChoiceDelegate(std::move(choices), grid));
}

std::string Text(const QTableWidget* grid, int row, int column) { return grid->item(row, column)->text().toStdString(); }
bool Checked(const QTableWidget* grid, int row) { return grid->item(row, 0)->checkState() == Qt::Checked; }
void SetText(QTableWidget* grid, int row, int column, const std::string& text) {
    grid->item(row, column)->setText(QString::fromStdString(text));
}
void SetChecked(QTableWidget* grid, int row, bool checked) {
    grid->item(row, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

// A switch that enables its grids whenever it changes.
QCheckBox* MakeSwitch(const char* caption, QWidget* parent, std::initializer_list<QWidget*> grids) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    std::vector<QWidget*> targets(grids);
    QObject::connect(box, &QCheckBox::toggled, parent, [targets](bool on) {
        for (QWidget* grid : targets) grid->setEnabled(on);
    });
    for (QWidget* grid : targets) grid->setEnabled(false);
    return box;
}

QLabel* Caption(const char* text, QWidget* parent) { return new QLabel(QString::fromUtf8(text), parent); }

}  // namespace

ConfigGridViews::ConfigGridViews(QWidget* parent) : QWidget(parent) {
    pinGrid_ = MakeGrid(this, kPinRows, {{"SEL", 40}, {"TYPE", 60}, {"PIN", 60}, {"LEVEL", 60}});
    MakeSelectColumn(pinGrid_);
    SetChoices(pinGrid_, 1, {"PA", "PB", "PBR"});
    SetChoices(pinGrid_, 3, {"1", "0"});

    i2cGrid_ = MakeGrid(this, 2, {{"FUNC", 60}, {"TYPE", 60}, {"PIN", 60}});
    MakeFixedText(i2cGrid_, 0, {"SCL", "SDA"});
    SetChoices(i2cGrid_, 1, {"PA", "PB"});

    channelGrid_ = MakeGrid(this, kPmicChannels, {{"CHANNEL", 160}, {"LEVEL", 60}});
    QStringList channels;
    for (const char* name : kPmicChannelNames) channels << QString::fromUtf8(name);
    MakeFixedText(channelGrid_, 0, channels);
    SetChoices(channelGrid_, 1, {"1", "0"});

    flashGrid_ = MakeGrid(this, kFlashRows,
                          {{"SEL", 40}, {"TYPE", 70}, {"CMD", 60}, {"ID0", 60}, {"ID1", 60}, {"ID2", 60}, {"FLAG", 60}, {"SIZE", 70}});
    MakeSelectColumn(flashGrid_);
    SetChoices(flashGrid_, 1, {"NOR", "NAND"});
    SetChoices(flashGrid_, 2, {"0", "1", "2", "3", "4", "5"});

    pinSwitch_ = MakeSwitch("设置 PIN", this, {pinGrid_});
    pmicSwitch_ = MakeSwitch("设置 PMIC", this, {i2cGrid_, channelGrid_});
    flashSwitch_ = MakeSwitch("添加 FLASH", this, {flashGrid_});

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pinSwitch_, 0, 0);
    layout->addWidget(Caption("十进制数据", this), 1, 0);
    layout->addWidget(pinGrid_, 2, 0, 3, 1);
    layout->addWidget(pmicSwitch_, 0, 1);
    layout->addWidget(Caption("十进制数据", this), 1, 1);
    layout->addWidget(i2cGrid_, 2, 1);
    layout->addWidget(channelGrid_, 3, 1, 2, 1);
    layout->addWidget(flashSwitch_, 0, 2);
    layout->addWidget(Caption("HEX 十六进制数据", this), 1, 2);
    layout->addWidget(flashGrid_, 2, 2, 3, 1);
    layout->setRowStretch(4, 1);
    // Width follows the tables' columns: the flash table is the widest.
    layout->setColumnStretch(0, 220);
    layout->setColumnStretch(1, 220);
    layout->setColumnStretch(2, 500);
    // The I2C table has two rows and needs no more height than that.
    i2cGrid_->setFixedHeight(i2cGrid_->horizontalHeader()->sizeHint().height() +
                             2 * i2cGrid_->verticalHeader()->defaultSectionSize() + 2 * i2cGrid_->frameWidth() + 2);
}

ConfigGrids ConfigGridViews::Read() const {
    ConfigGrids grids;
    grids.pinOn = pinSwitch_->isChecked();
    for (int r = 0; r < kPinRows; ++r) {
        grids.pins[size_t(r)] = PinRow{Checked(pinGrid_, r), Text(pinGrid_, r, 1), Text(pinGrid_, r, 2), Text(pinGrid_, r, 3)};
    }
    grids.pmicOn = pmicSwitch_->isChecked();
    grids.scl = I2cRow{Text(i2cGrid_, 0, 1), Text(i2cGrid_, 0, 2)};
    grids.sda = I2cRow{Text(i2cGrid_, 1, 1), Text(i2cGrid_, 1, 2)};
    for (int r = 0; r < kPmicChannels; ++r) grids.pmicLevels[size_t(r)] = Text(channelGrid_, r, 1);
    grids.flashOn = flashSwitch_->isChecked();
    for (int r = 0; r < kFlashRows; ++r) {
        grids.flash[size_t(r)] = FlashRow{Checked(flashGrid_, r),     Text(flashGrid_, r, 1), Text(flashGrid_, r, 2),
                                          Text(flashGrid_, r, 3),     Text(flashGrid_, r, 4), Text(flashGrid_, r, 5),
                                          Text(flashGrid_, r, 6),     Text(flashGrid_, r, 7)};
    }
    return grids;
}

void ConfigGridViews::Show(const ConfigGrids& grids) {
    for (int r = 0; r < kPinRows; ++r) {
        const PinRow& row = grids.pins[size_t(r)];
        SetChecked(pinGrid_, r, row.selected);
        SetText(pinGrid_, r, 1, row.type);
        SetText(pinGrid_, r, 2, row.pin);
        SetText(pinGrid_, r, 3, row.level);
    }
    SetText(i2cGrid_, 0, 1, grids.scl.type);
    SetText(i2cGrid_, 0, 2, grids.scl.pin);
    SetText(i2cGrid_, 1, 1, grids.sda.type);
    SetText(i2cGrid_, 1, 2, grids.sda.pin);
    for (int r = 0; r < kPmicChannels; ++r) SetText(channelGrid_, r, 1, grids.pmicLevels[size_t(r)]);
    for (int r = 0; r < kFlashRows; ++r) {
        const FlashRow& row = grids.flash[size_t(r)];
        SetChecked(flashGrid_, r, row.selected);
        const std::string* texts[] = {&row.type, &row.cmd, &row.id0, &row.id1, &row.id2, &row.flag, &row.size};
        for (int c = 0; c < 7; ++c) SetText(flashGrid_, r, c + 1, *texts[c]);
    }
    // setChecked does not signal when the state stays; the grids follow anyway.
    pinSwitch_->setChecked(grids.pinOn);
    pinGrid_->setEnabled(grids.pinOn);
    pmicSwitch_->setChecked(grids.pmicOn);
    i2cGrid_->setEnabled(grids.pmicOn);
    channelGrid_->setEnabled(grids.pmicOn);
    flashSwitch_->setChecked(grids.flashOn);
    flashGrid_->setEnabled(grids.flashOn);
}

}  // namespace velkan
