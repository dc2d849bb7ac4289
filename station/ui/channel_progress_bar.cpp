#include "station/ui/channel_progress_bar.h"

#include <QPainter>
#include <algorithm>

#include "station/ui/station_colours.h"

namespace station::ui {

ChannelProgressBar::ChannelProgressBar(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void ChannelProgressBar::SetPosition(int position) {
    position = std::clamp(position, 0, 100);
    if (position == position_) return;
    position_ = position;
    update();
}

void ChannelProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    const int done = position_ * area.width() / 100;
    painter.fillRect(QRect(area.left(), area.top(), done, area.height()), kBarColour);
    painter.fillRect(QRect(area.left() + done, area.top(), area.width() - done, area.height()), kBarBackground);
    if (position_ == 0) return;
    painter.setPen(Qt::black);
    painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, QString::asprintf("%d%%", position_));
}

}  // namespace station::ui
