#pragma once
#include <QLabel>
#include <QWidget>
#include <array>

namespace velkan {

// Five lamps that always show the same state.
class StatusLamps : public QWidget {
    Q_OBJECT
public:
    enum class State { Idle, Busy, Pass, Fail };

    explicit StatusLamps(QWidget* parent = nullptr);
    // Every change blinks the lamps (hidden for 200 ms) so that a repeated
    // result is still seen to arrive.
    void Set(State state);
    State state() const { return state_; }

private:
    std::array<QLabel*, 5> lamps_{};
    State state_ = State::Idle;
};

}  // namespace velkan
