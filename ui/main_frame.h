// MainFrame: the program's one top-level window: menus, toolbar, status bar, connection watch.
#pragma once

#include "app/acquisition_session.h"
#include "ui/app_context.h"
#include "ui/station_work.h"

#include <QMainWindow>
#include <QMap>
#include <memory>

class QLabel;
class QProgressBar;
class QToolBar;

namespace nimbrel {

class ConnectionPane;
class DebugWindow;
class TrayIcon;
class WeatherView;

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    // The session's connection watch ticks once a second on a thread of its own, from the first show.
    static constexpr int kConnectionTimerMs = static_cast<int>(AcquisitionSession::kWatchInterval.count());

    // A context without a session (a window tried alone) gets a session of the frame's own over the
    // context's station and history file.
    explicit MainFrame(const AppContext& context, QWidget* parent = nullptr);
    ~MainFrame() override;

    WeatherView* view() const { return view_; }
    QToolBar* toolBar() const { return toolBar_; }
    // Status pane 0: "Ready", then the latest text of the acquisition thread; in a reader, for good,
    // why this window only shows the folder's newest stored record.
    QLabel* statusPane() const { return statusPane_; }
    ConnectionPane* connectionPane() const { return connectionPane_; }
    // The icon in the desktop's tray; null where the desktop has no tray or `[ui] tray=off`.
    TrayIcon* trayIcon() const { return tray_; }
    // In the status bar while a long job of the acquisition thread runs (a first download): the bar,
    // and beside it the count ("120 / 4080").
    QProgressBar* progressBar() const { return progressBar_; }
    QLabel* progressText() const { return progressText_; }
    static constexpr int kProgressBarWidth = 200;
    QLabel* outputsPane() const { return outputsPane_; }

    // Keeps the window's size and place and whether toolbar and status bar show in `file` (an ini
    // file of the user's own configuration folder) between runs: restores them now and saves them when
    // the window closes. A place on a screen that is no longer there is not used.
    void rememberWindowIn(const QString& file);
    // A job shorter than this many steps passes in a blink: it gets no progress bar.
    static constexpr qint64 kProgressBarFrom = 10;

    // One tick of the connection watch on the window's thread, at once; for tests. The watch's own
    // ticks come from the session's thread through showConnection.
    void connectionTick();
    // Restores a minimised window and brings it to the front (a second copy asked for it).
    void comeForward();
    // Handles events until the station command that the window started (Load Default) is over.
    void finishStationWork() { stationWork_.finish(); }

public slots:
    void showStatusText(const QString& text);
    // What a tick of the connection watch saw: the connection picture, and why no station can be used.
    void showConnection(const ConnectionWatch::TickResult& result);
    // What an output (MQTT, the upload) said last, shown in a pane of its own that the acquisition's
    // status texts do not overwrite: "MQTT: connected to ...", "Upload: ... answered success".
    void showOutputText(const QString& text);
    // `done` of `total` steps of the acquisition thread's job; total 0 when it is over.
    void showProgress(qint64 done, qint64 total);
    void loadDefaultValue();
    // The History command: the stored records in the station's current units.
    void showHistory();
    void showGraph();
    void showClimate();
    void showAbout();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenusAndToolbar();
    void buildStatusBar();
    void buildTrayIcon();
    // Exit, from the menu or the tray: the window closes and the program ends, whatever the tray.
    void exitProgram();
    void placeOnScreen();
    void saveWindowState();
    QString firstStatusText() const;

    std::unique_ptr<AcquisitionSession> ownSession_; // only for a context without one
    AppContext context_;
    WeatherView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* statusPane_ = nullptr;
    // Why no station can be used, as last said in the status line (shown once each time it changes).
    enum class Absence { none, notFound, accessDenied };
    Absence absenceShown_ = Absence::none;
    ConnectionPane* connectionPane_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* progressText_ = nullptr;
    QLabel* outputsPane_ = nullptr;      // hidden until an output says something
    QMap<QString, QString> outputTexts_; // the newest text of each output, by its name
    QString windowStateFile_;
    DebugWindow* debugWindow_ = nullptr; // made on first use; a child of the frame
    bool stationWindowOpen_ = false;     // a station window is being read for or is open
    StationWork stationWork_{this, false};
    TrayIcon* tray_ = nullptr;
    bool closeToTray_ = false; // `[ui] tray=on`: closing the window leaves the program logging in the tray
    bool exiting_ = false;     // Exit was chosen: a close ends the program whatever the tray
};

} // namespace nimbrel
