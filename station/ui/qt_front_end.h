#pragma once
// The windowed station's side of the engine. Message boxes are Qt message
// boxes (their texts also go to the main log); station notifications arrive
// on any thread and are handed to the GUI thread through a queued signal, so
// a channel thread never waits for the windows.
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "station/engine/jobs/job_services.h"
#include "station/engine/state/station_notify.h"

class QWidget;

namespace station::ui {

class QtFrontEnd : public QObject, public StationFrontEnd, public StationNotifyReceiver {
    Q_OBJECT
public:
    QtFrontEnd();

    // How a message or a question reaches the operator; tests replace them.
    // The defaults are modal Qt message boxes over the main window.
    std::function<void(const std::string&)> showMessage;
    std::function<bool(const std::string&)> askQuestion;
    void SetWindow(QWidget* window) { window_ = window; }

    // The parameter page: whether it shows, and how to leave it (false: a
    // check kept it open).
    std::function<bool()> secondaryScreenOpen;
    std::function<bool()> returnToMainScreen;

    void Message(const std::string& text) override;
    bool Ask(const std::string& question) override;
    bool SecondaryScreenOpen() override { return secondaryScreenOpen && secondaryScreenOpen(); }
    bool ReturnToMainScreen() override;
    void OnStationNotify(const StationNotify& notify) override;
    // A network command runs on the GUI thread, where the windows live.
    void PostCommand(std::function<void()> command) override;

    // A stop signal: every box that waits for the operator closes (a question
    // so closed is a No), and later messages go to standard error instead.
    void CloseBoxes();

signals:
    void Notified(int flags, int channel);

private:
    void ShowOnGuiThread(const std::string& text);

    QPointer<QWidget> window_;
    bool boxesClosed_ = false;
};

}  // namespace station::ui
