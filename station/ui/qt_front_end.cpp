#include "station/ui/qt_front_end.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <cstdio>

#include "station/engine/log/main_log.h"
#include "station/ui/ui_text.h"

namespace station::ui {

namespace {
constexpr const char* kBoxTitle = "Torvane";

bool OnGuiThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

void PrintMessage(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}
}  // namespace

QtFrontEnd::QtFrontEnd() {
    showMessage = [this](const std::string& text) {
        QMessageBox::warning(window_, Q(kBoxTitle), Q(text));
    };
    askQuestion = [this](const std::string& question) {
        return QMessageBox::question(window_, Q(kBoxTitle), Q(question), QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
}

void QtFrontEnd::Message(const std::string& text) {
    Log(0, "%s\n", text.c_str());
    ShowOnGuiThread(text);
}

// A channel thread (the allocation's messages) must not wait for the box.
void QtFrontEnd::ShowOnGuiThread(const std::string& text) {
    if (OnGuiThread()) {
        if (boxesClosed_)
            PrintMessage(text);
        else
            showMessage(text);
        return;
    }
    QMetaObject::invokeMethod(this, [this, text] { ShowOnGuiThread(text); }, Qt::QueuedConnection);
}

// Questions come only from the commands, which run on the GUI thread; a
// question from anywhere else cannot wait for an answer and is declined.
bool QtFrontEnd::Ask(const std::string& question) {
    const bool yes = OnGuiThread() && !boxesClosed_ && askQuestion(question);
    Log(0, "%s %s\n", question.c_str(), yes ? "Yes" : "No");
    return yes;
}

void QtFrontEnd::CloseBoxes() {
    boxesClosed_ = true;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible() && dialog->isModal()) dialog->reject();
    }
}

// The page is the operator's: only a command of the windows (on the GUI
// thread) leaves it; a command from elsewhere finds it open and starts nothing.
bool QtFrontEnd::ReturnToMainScreen() {
    if (!returnToMainScreen) return true;
    return OnGuiThread() && returnToMainScreen();
}

void QtFrontEnd::OnStationNotify(const StationNotify& notify) {
    // The signal crosses threads queued: the record is copied, the sender goes on.
    emit Notified(notify.flags, notify.channel);
}

void QtFrontEnd::PostCommand(std::function<void()> command) {
    QMetaObject::invokeMethod(this, std::move(command), Qt::QueuedConnection);
}

}  // namespace station::ui
