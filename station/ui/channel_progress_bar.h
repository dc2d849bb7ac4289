#pragma once
// A channel's progress bar, drawn by the station: the done part in the bar
// colour, the rest in the background, "%d%%" centred (none at 0).
#include <QWidget>

namespace station::ui {

class ChannelProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ChannelProgressBar(QWidget* parent = nullptr);
    int Position() const { return position_; }
    void SetPosition(int position);  // limited to 0..100

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override { return {120, 18}; }

private:
    int position_ = 0;
};

}  // namespace station::ui
