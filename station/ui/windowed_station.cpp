#include "station/ui/windowed_station.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "platform/paths.h"
#include "platform/terminal.h"
#include "station/engine/scan/jlink_library.h"
#include "station/engine/scan/port_scan.h"
#include "station/engine/startup/exit_status.h"
#include "station/engine/startup/station_assembly.h"
#include "station/engine/state/channel_state.h"
#include "station/remote/remote_station.h"
#include "station/ui/cali_para_window.h"
#include "station/ui/channel_panel.h"
#include "station/ui/info_window.h"
#include "station/ui/main_window.h"
#include "station/ui/qt_front_end.h"
#include "station/ui/settings_window.h"
#include "station/ui/ui_text.h"

namespace station::ui {

namespace {

constexpr int kWatchMs = 100;
constexpr const char* kUiFont = "WenQuanYi Micro Hei";

struct WindowedOptions {
    bool makeList = false;
    bool startAll = false;
    bool exitWhenDone = false;
    QString snapshots;  // directory of PNG pictures; empty: none
};

bool ParseOptions(int argc, char** argv, WindowedOptions& options) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--make-list")) {
            options.makeList = true;
        } else if (!std::strcmp(argv[i], "--start-all")) {
            options.startAll = true;
        } else if (!std::strcmp(argv[i], "--exit-when-done")) {
            options.exitWhenDone = true;
        } else if (!std::strcmp(argv[i], "--snapshots") && i + 1 < argc) {
            options.snapshots = QString::fromLocal8Bit(argv[++i]);
        } else if (argv[i][0] == '-' && std::strncmp(argv[i], "-platform", 9) != 0) {
            std::fprintf(stderr, "Torvane: unknown option %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

// The windows render Chinese with the CJK font the station installs.
void UseStationLook(QApplication& app) {
    QApplication::setStyle("Fusion");
    if (QFontDatabase::families().contains(kUiFont)) {
        QFont font(kUiFont);
        font.setPixelSize(13);
        app.setFont(font);
    }
}

void Save(QWidget& widget, const QString& dir, const char* name) {
    widget.grab().save(QDir(dir).filePath(QString(name) + ".png"));
}

void SaveInfo(MainWindow& window, const QString& dir) {
    window.Info().show();
    Save(window.Info(), dir, "info");
    window.Info().hide();
}

// Pictures of the idle window, the parameter page and the side windows (the
// information window once the jobs have filled it, when there are jobs).
void SnapshotWindows(MainWindow& window, const QString& dir, bool jobsFollow) {
    QDir().mkpath(dir);
    QApplication::processEvents();  // laid out as on screen
    Save(window, dir, "main_idle");
    window.ShowParameterPage();
    Save(window, dir, "parameter_page");
    window.ShowFunctionPanel();
    const std::pair<SettingsWindow*, const char*> editors[] = {{&window.CaliPara(), "cali_para"},
                                                               {&window.TestPara(), "test_para"},
                                                               {&window.SpecialPara(), "special_para"},
                                                               {&window.ProjectCode(), "project_code"}};
    for (const auto& [editor, name] : editors) {
        editor->Open();
        editor->adjustSize();
        Save(*editor, dir, name);
        editor->hide();
    }
    if (!jobsFollow) SaveInfo(window, dir);
}

// A moment worth a picture: a row passed, one failed and one still works.
bool MixedRows(const ChannelTable& channels) {
    bool pass = false, fail = false, working = false;
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const ChannelState& row = channels[channel];
        const int status = row.status.load();
        pass |= status == kStatusPass;
        fail |= status == kStatusFail;
        working |= status == kStatusRunning && row.progress.load() > 0 && row.progress.load() < 100;
    }
    return pass && fail && working;
}

}  // namespace

int RunWindowed(int argc, char** argv) {
    QApplication app(argc, argv);
    WindowedOptions options;
    if (!ParseOptions(argc, argv, options)) return kExitRefused;
    UseStationLook(app);

    QtFrontEnd frontEnd;
    // Unattended, nobody answers a box: messages go to standard error (and
    // the main log), questions are answered No.
    if (options.startAll || !options.snapshots.isEmpty()) {
        frontEnd.showMessage = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
        frontEnd.askQuestion = [](const std::string&) { return false; };
    }
    SetStationNotifyReceiver(&frontEnd);
    // A stop signal is watched from the first moment: it closes any box that
    // waits for the operator (start-up's too), then the window as the
    // operator would, minus the question: every channel stops and its tool
    // ends before the exit. A signal during start-up ends the station there.
    platform::CatchStopSignals();
    MainWindow* running = nullptr;
    QTimer stopSignal;
    QObject::connect(&stopSignal, &QTimer::timeout, &frontEnd, [&] {
        if (!platform::StopSignalReceived()) return;
        frontEnd.CloseBoxes();
        if (!running) return;
        stopSignal.stop();
        running->StopAllAndClose();
    });
    stopSignal.start(kWatchMs);
    int status = kExitRefused;
    {
        StationAssembly station(platform::CurrentDirectory(), frontEnd);
        if (station.Start() && !platform::StopSignalReceived()) {
            StationEngine& engine = station.Engine();
            MainWindow window(engine, frontEnd, [&station, &frontEnd] {
                const ScanResult scan = ScanPorts(station.Settings(), StationChannels(), StationJLink());
                if (!scan.operatorMessage.empty()) frontEnd.Message(scan.operatorMessage);
            });
            window.show();
            remote::RemoteStation remote({engine, StationChannels(), station.Settings(), station.Records(), frontEnd,
                                          station.Runtime().stationId});
            remote.Start();
            bool anyFailed = false;
            QObject::connect(&frontEnd, &QtFrontEnd::Notified, &window, [&anyFailed](int flags, int channel) {
                if ((flags & kNotifyJobFinished) && channel >= 1 && channel <= kChannelCount &&
                    StationChannels()[channel].status.load() != kStatusPass)
                    anyFailed = true;
            }, Qt::QueuedConnection);
            if (!options.snapshots.isEmpty()) SnapshotWindows(window, options.snapshots, options.startAll);
            bool mixedSaved = false;
            int started = 0;
            running = &window;
            QTimer watch;
            if (options.startAll)
                QTimer::singleShot(0, &window, [&] {
                    // The parameter page's confirmation makes the burn list.
                    if (options.makeList) {
                        window.ShowParameterPage();
                        if (!window.LeaveParameterPage()) {
                            window.close();
                            return;
                        }
                    }
                    started = window.RunAll();
                    watch.start(kWatchMs);
                });
            QObject::connect(&watch, &QTimer::timeout, &window, [&] {
                if (!options.snapshots.isEmpty() && !mixedSaved && MixedRows(StationChannels())) {
                    window.RefreshPanel();
                    Save(window, options.snapshots, "main_running");
                    mixedSaved = true;
                }
                if (engine.AnyActive()) return;
                watch.stop();
                window.RefreshPanel();
                if (!options.snapshots.isEmpty()) {
                    Save(window, options.snapshots, "main_done");
                    SaveInfo(window, options.snapshots);
                }
                if (options.exitWhenDone) window.close();
            });
            app.exec();
            remote.Stop();
            running = nullptr;
            // An unattended run that started nothing was refused.
            status = options.startAll && started <= 0 ? kExitRefused : anyFailed ? kExitFail : kExitPass;
        }
        station.Shutdown();
    }
    SetStationNotifyReceiver(nullptr);
    return status;
}

}  // namespace station::ui
