#include "station/ui/channel_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include "station/engine/jobs/station_engine.h"
#include "station/engine/log/main_log.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"
#include "station/ui/channel_progress_bar.h"
#include "station/ui/panel_cells.h"
#include "station/ui/station_colours.h"
#include "station/ui/ui_text.h"

namespace station::ui {

namespace {
constexpr int kBaseFontPixels = 14;
// A second click on a channel's button this soon is the same press (a
// double click), not a stop of the job the first one started.
constexpr uint64_t kClickGuardMs = 500;
}  // namespace

void SetTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->parentWidget() ? label->parentWidget()->palette() : QPalette();
    if (colour.isValid()) palette.setColor(QPalette::WindowText, colour);
    label->setAutoFillBackground(colour.isValid());
    label->setPalette(palette);
}

ChannelPanel::ChannelPanel(const PanelVariant& variant, StationEngine& engine, QWidget* parent)
    : QWidget(parent), variant_(variant), engine_(engine) {
    setObjectName(variant.name);
    QFont base = font();
    base.setPixelSize(kBaseFontPixels);
    setFont(base);
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    int gridRow = 0;
    if (variant.headerTexts) {
        // Counters of device records; hidden until something counts them.
        const char* counters[] = {"三元组剩余:", "微信剩余:"};
        for (int i = 0; i < 2; ++i) {
            auto* label = new QLabel(Q(counters[i]), this);
            label->hide();
            grid->addWidget(label, gridRow, 2 * i, 1, 2);
        }
        ++gridRow;
    }
    const int firstCell = variant.progressBar ? 5 : 4;
    bool anyHeader = false;
    for (size_t c = 0; c < variant.columns.size(); ++c) {
        if (!*variant.columns[c].header) continue;
        auto* header = new QLabel(Q(variant.columns[c].header), this);
        header->setAlignment(Qt::AlignCenter);
        header->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        grid->addWidget(header, gridRow, firstCell + int(c));
        anyHeader = true;
    }
    if (anyHeader) ++gridRow;
    // The rows share the height; the header rows keep theirs.
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        grid->setRowStretch(gridRow, 1);
        BuildRow(channel, gridRow++);
    }
    if (variant.progressBar) grid->setColumnStretch(3, 3);
    for (size_t c = 0; c < variant.columns.size(); ++c)
        grid->setColumnStretch(firstCell + int(c), variant.columns[c].wide ? 2 : 1);
    LoadChecks();
    RefreshAll();
}

void ChannelPanel::BuildRow(int channel, int gridRow) {
    Row& row = rows_[size_t(channel - 1)];
    auto* grid = static_cast<QGridLayout*>(layout());
    row.check = new QCheckBox(Q("通道" + std::to_string(channel)), this);
    row.port = new QLabel(Q(kNoPort), this);
    row.port->setMinimumWidth(90);
    row.button = new QPushButton(Q(variant_.caption), this);
    row.time = new QLabel(Q("0 秒"), this);
    row.time->setMinimumWidth(48);
    int column = 0;
    grid->addWidget(row.check, gridRow, column++);
    grid->addWidget(row.port, gridRow, column++);
    grid->addWidget(row.button, gridRow, column++);
    if (variant_.progressBar) {
        row.progress = new ChannelProgressBar(this);
        grid->addWidget(row.progress, gridRow, column++);
    }
    grid->addWidget(row.time, gridRow, column++);
    for (size_t c = 0; c < variant_.columns.size(); ++c) {
        auto* cell = new QLabel(this);
        cell->setAlignment(Qt::AlignCenter);
        grid->addWidget(cell, gridRow, column++);
        row.cells.push_back(cell);
    }
    connect(row.check, &QCheckBox::clicked, this, [this, channel](bool ticked) {
        engine_.Settings().Write(CHAN_SET::CH(channel), ticked);
    });
    connect(row.button, &QPushButton::clicked, this, [this, channel] { ClickButton(channel); });
}

// The guard is the panel's, not the engine's: a stop from elsewhere (the
// ribbon, the network) is never swallowed.
void ChannelPanel::ClickButton(int channel) {
    Log(0, "点击通道%d下载/停止按钮\n", channel);
    Row& row = rows_[size_t(channel - 1)];
    const uint64_t now = clickClock_->NowMs();
    if (row.lastClickMs && now - *row.lastClickMs < kClickGuardMs) return;
    row.lastClickMs = now;
    engine_.StartOne(channel);
    RefreshRow(channel);
}

void ChannelPanel::LoadChecks() {
    for (int channel = 1; channel <= kChannelCount; ++channel)
        CheckBox(channel)->setChecked(engine_.Settings().ChannelEnabled(channel));
}

void ChannelPanel::SetCheckEnabled(int channel, bool enabled) { CheckBox(channel)->setEnabled(enabled); }

void ChannelPanel::RefreshRow(int channel) {
    const ChannelState& state = engine_.Channels()[channel];
    Row& row = rows_[size_t(channel - 1)];
    row.port->setText(Q(state.port.Get()));
    const QString caption = Q(engine_.Controls(channel).Caption());
    if (row.button->text() != caption) row.button->setText(caption);
    row.check->setEnabled(engine_.Controls(channel).Selectable());
    const int32_t status = state.status.load();
    if (IsBusy(status)) row.fresh = false;
    if (row.progress) row.progress->SetPosition(row.fresh ? 0 : state.progress.load());
    row.time->setText(Q(ElapsedText(state)));
    // Why the last job failed or was stopped; a fresh row shows no earlier job.
    row.time->setToolTip(row.fresh ? QString() : Q(state.failCause.Get()));
    SetTextColour(row.time, StatusColour(status));
    const int testMask = engine_.Functions().Test();
    for (size_t c = 0; c < row.cells.size(); ++c) {
        const CellView view = row.fresh ? FreshCell(variant_.columns[c]) : CellFor(variant_.columns[c], state, testMask);
        row.cells[c]->setText(Q(view.text));
        row.cells[c]->setToolTip(Q(view.toolTip));
        SetTextColour(row.cells[c], ResultColour(view.result));
    }
}

void ChannelPanel::ShowFresh() {
    for (Row& row : rows_) row.fresh = true;
    RefreshAll();
}

void ChannelPanel::JobStarted(int channel) { rows_[size_t(channel - 1)].fresh = false; }

void ChannelPanel::RefreshAll() {
    for (int channel = 1; channel <= kChannelCount; ++channel) RefreshRow(channel);
}

void ChannelPanel::SetFirstSize(const QSize& size) { firstSize_ = size; }

// Larger than at first, the texts grow with the height: 14 px plus 10 px for
// every doubling; smaller, nothing changes.
void ChannelPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (firstSize_.isEmpty()) return;
    const double fx = double(event->size().width()) / firstSize_.width();
    const double fy = double(event->size().height()) / firstSize_.height();
    // Below the first size the texts are as they were at it.
    QFont scaled = font();
    scaled.setPixelSize(fx < 1 || fy < 1 ? kBaseFontPixels : kBaseFontPixels + int(10 * (fy - 1)));
    setFont(scaled);
}

}  // namespace station::ui
