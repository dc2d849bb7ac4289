#include "velkan/ui/status_lamps.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

namespace velkan {
namespace {

constexpr int kLampSize = 28;

QPixmap LampPicture(StatusLamps::State state) {
    QColor color;
    switch (state) {
    case StatusLamps::State::Idle: color = QColor(0xb0, 0xb0, 0xb0); break;
    case StatusLamps::State::Busy: color = QColor(0xf0, 0xc0, 0x20); break;
    case StatusLamps::State::Pass: color = QColor(0x20, 0xb0, 0x40); break;
    case StatusLamps::State::Fail: color = QColor(0xd0, 0x20, 0x20); break;
    }
    QPixmap picture(kLampSize, kLampSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color.darker(150), 2));
    painter.setBrush(color);
    painter.drawEllipse(2, 2, kLampSize - 4, kLampSize - 4);
    return picture;
}

}  // namespace

StatusLamps::StatusLamps(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    const QPixmap idle = LampPicture(State::Idle);
    for (auto& lamp : lamps_) {
        lamp = new QLabel(this);
        lamp->setFixedSize(kLampSize, kLampSize);
        lamp->setPixmap(idle);
        row->addWidget(lamp);
    }
    row->addStretch();
}

void StatusLamps::Set(State state) {
    state_ = state;
    // Blanked rather than hidden, so the layout keeps their place.
    for (QLabel* lamp : lamps_) lamp->clear();
    QTimer::singleShot(200, this, [this] {
        const QPixmap picture = LampPicture(state_);
        for (QLabel* lamp : lamps_) lamp->setPixmap(picture);
    });
}

}  // namespace velkan
