#include "ui/main_frame.h"

#include "app/acquisition_session.h"
#include "app/acquisition_texts_from_table.h"
#include "app/configuration.h"
#include "app/language_table.h"
#include "app/link_report.h"
#include "app/station_commands.h"
#include "presentation/record_builders.h"
#include "station/station_access.h"
#include "ui/about_box.h"
#include "ui/alarm_dialog.h"
#include "ui/connection_pane.h"
#include "ui/debug_window.h"
#include "ui/climate_dialog.h"
#include "ui/graph_dialog.h"
#include "ui/gui_resources.h"
#include "ui/history_dialog.h"
#include "ui/mnemonics.h"
#include "ui/scope_dialog.h"
#include "ui/setup_dialog.h"
#include "ui/tray_icon.h"
#include "ui/weather_view.h"
#include "ui/window_fit.h"
#include "ui/window_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <algorithm>
#include <climits>

namespace nimbrel {

namespace {

// A command's prompt and tooltip are the two halves of one text, split at the line break.
void setPromptAndTip(QAction* action, const QString& both) {
    const qsizetype cut = both.indexOf(QLatin1Char('\n'));
    action->setStatusTip(cut < 0 ? both : both.left(cut));
    action->setToolTip(cut < 0 ? both : both.mid(cut + 1));
}

// Every command keeps its number as its name, so tests find it as the user sees it.
QAction* command(QObject* parent, int id, const QString& text, const QString& promptAndTip) {
    auto* action = new QAction(text, parent);
    action->setObjectName(QStringLiteral("c%1").arg(id));
    setPromptAndTip(action, promptAndTip);
    return action;
}

enum CommandId {
    kToggleToolBar = 59392,
    kToggleStatusBar = 59393,
    kExit = 57665,
    kLoadDefault = 32774,
    kSetup = 32783,
    kAlarm = 32786,
    kScope = 32779,
    kHistory = 32785,
    kGraph = 32788,
    kClimate = 32789,
    kDebug = 32771,
    kAbout = 57664,
};

// A context without a session gets one of the frame's own over its station and history file.
AppContext withSession(AppContext context, std::unique_ptr<AcquisitionSession>& own) {
    if (!context.session) {
        own = std::make_unique<AcquisitionSession>(context.dataFolder, context.access, context.config,
                                                   context.station, context.store);
        context.session = own.get();
    }
    return context;
}

} // namespace

MainFrame::MainFrame(const AppContext& context, QWidget* parent)
    : QMainWindow(parent), context_(withSession(context, ownSession_)) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(qtext(context.texts, TextRow::applicationTitle));
    setWindowIcon(icon(QStringLiteral("nimbrel")));

    view_ = new WeatherView(context_, this);
    setCentralWidget(inScrollArea(view_));
    connect(view_, &WeatherView::statusText, this, &MainFrame::showStatusText);
    connect(view_, &WeatherView::outputText, this, &MainFrame::showOutputText);
    connect(view_, &WeatherView::progress, this, &MainFrame::showProgress);
    connect(view_, &WeatherView::titleChanged, this, &QWidget::setWindowTitle);
    connect(view_, &WeatherView::connectionSeen, this, &MainFrame::showConnection);

    buildMenusAndToolbar();
    buildStatusBar();
    buildTrayIcon();
    placeOnScreen();
}

void MainFrame::buildTrayIcon() {
    const TrayUse use = context_.config.trayUse();
    // A desktop without a tray keeps the window as it always was.
    if (use == TrayUse::off || !QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_ = new TrayIcon(*this, *view_, context_.texts, this);
    closeToTray_ = use == TrayUse::keepRunning;
    connect(view_, &WeatherView::readingShown, tray_, &TrayIcon::showReading);
    connect(tray_, &TrayIcon::exitRequested, this, &MainFrame::exitProgram);
}

MainFrame::~MainFrame() {
    // The session's threads end before any widget they fill goes away, and before a session of the
    // frame's own does.
    view_->stopMonitor();
}

void MainFrame::buildMenusAndToolbar() {
    const LanguageTable& t = context_.texts;

    toolBar_ = new QToolBar(qtext(t, TextRow::toolBar), this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setIconSize(QSize(24, 24));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    addToolBar(Qt::TopToolBarArea, toolBar_);

    // Display
    QMenu* display = menuBar()->addMenu(qtext(t, TextRow::display));
    display->setObjectName(QStringLiteral("menuDisplay"));
    QAction* toggleToolBar =
        command(this, kToggleToolBar, qtext(t, TextRow::toolBar), qtext(t, "frame.tip.toolbar"));
    toggleToolBar->setCheckable(true);
    toggleToolBar->setChecked(true);
    connect(toggleToolBar, &QAction::toggled, toolBar_, &QWidget::setVisible);
    connect(toolBar_, &QToolBar::visibilityChanged, toggleToolBar, [toggleToolBar, this](bool) {
        // Closing a floating toolbar hides it too; keep the menu's tick honest.
        toggleToolBar->setChecked(!toolBar_->isHidden());
    });
    display->addAction(toggleToolBar);

    QAction* toggleStatusBar =
        command(this, kToggleStatusBar, qtext(t, TextRow::statusBar), qtext(t, "frame.tip.statusbar"));
    toggleStatusBar->setCheckable(true);
    toggleStatusBar->setChecked(true);
    connect(toggleStatusBar, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    display->addAction(toggleStatusBar);
    display->addSeparator();

    QAction* exit = command(this, kExit, qtext(t, TextRow::exit), qtext(t, "frame.tip.exit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &MainFrame::exitProgram);
    display->addAction(exit);

    // System: the station's windows, then the station command that needs no window of its own.
    QMenu* system = menuBar()->addMenu(qtext(t, TextRow::system));
    system->setObjectName(QStringLiteral("menuSystem"));
    // A station window is modal: while it is open the frame takes no other command.
    const auto stationWindow = [this, system](int id, TextRow row, const char* tip, const char* picture,
                                              void (*open)(const AppContext&, QWidget*)) {
        QAction* action = command(this, id, qtext(context_.texts, row), qtext(context_.texts, tip));
        action->setIcon(icon(QString::fromLatin1(picture)));
        connect(action, &QAction::triggered, this, [this, open] {
            // The windows read the station off this thread, which handles events meanwhile: a second
            // click before the first window is up opens nothing more.
            if (stationWindowOpen_ || stationWork_.running()) return;
            stationWindowOpen_ = true;
            open(context_, this);
            stationWindowOpen_ = false;
        });
        system->addAction(action);
        return action;
    };
    QAction* setup = stationWindow(kSetup, TextRow::setup, "frame.tip.setup", "setup", openSetupWindow);
    QAction* alarm = stationWindow(kAlarm, TextRow::alarm, "frame.tip.alarm", "alarm", openAlarmWindow);
    QAction* scope = stationWindow(kScope, TextRow::scope, "frame.tip.scope", "scope", openScopeWindow);
    // The Debug window is for support: its item shows only with DebugFlag on. It is made on first use
    // and kept, hidden or shown, for the rest of the run.
    if (context_.config.debugMode()) {
        QAction* debug = new QAction(qtext(t, "frame.debug"), this);
        debug->setObjectName(QStringLiteral("c%1").arg(kDebug));
        debug->setIcon(icon(QStringLiteral("debug")));
        connect(debug, &QAction::triggered, this,
                [this] { debugWindow_ = showDebugWindow(context_, this, debugWindow_); });
        system->addAction(debug);
    }
    system->addSeparator();
    QAction* loadDefault =
        command(this, kLoadDefault, qtext(t, "frame.loaddefault"), qtext(t, "frame.tip.loaddefault"));
    loadDefault->setIcon(icon(QStringLiteral("default")));
    connect(loadDefault, &QAction::triggered, this, &MainFrame::loadDefaultValue);
    system->addAction(loadDefault);

    // Record: the stored history, as a grid and as a chart.
    QMenu* record = menuBar()->addMenu(qtext(t, TextRow::record));
    record->setObjectName(QStringLiteral("menuRecord"));
    QAction* history = command(this, kHistory, qtext(t, TextRow::history), qtext(t, "frame.tip.history"));
    history->setIcon(icon(QStringLiteral("history")));
    connect(history, &QAction::triggered, this, &MainFrame::showHistory);
    record->addAction(history);
    QAction* graph = command(this, kGraph, qtext(t, TextRow::graph), qtext(t, "frame.tip.graph"));
    graph->setIcon(icon(QStringLiteral("graph")));
    connect(graph, &QAction::triggered, this, &MainFrame::showGraph);
    record->addAction(graph);
    QAction* climate = command(this, kClimate, qtext(t, "climate.menu"), qtext(t, "frame.tip.climate"));
    climate->setIcon(icon(QStringLiteral("climate")));
    connect(climate, &QAction::triggered, this, &MainFrame::showClimate);
    record->addAction(climate);

    // Help
    QMenu* help = menuBar()->addMenu(qtext(t, TextRow::help));
    help->setObjectName(QStringLiteral("menuHelp"));
    QAction* about = command(this, kAbout, qtext(t, TextRow::aboutNimbrel) + QStringLiteral("..."),
                             qtext(t, "frame.tip.about"));
    about->setIcon(icon(QStringLiteral("about")));
    connect(about, &QAction::triggered, this, &MainFrame::showAbout);
    help->addAction(about);

    // A reader writes neither the station nor the folder; the windows that only read stay open to it.
    for (QAction* writes : {setup, alarm, loadDefault}) writes->setEnabled(!context_.reader());

    toolBar_->addAction(loadDefault);
    toolBar_->addAction(setup);
    toolBar_->addAction(alarm);
    toolBar_->addAction(scope);
    toolBar_->addSeparator();
    toolBar_->addAction(history);
    toolBar_->addAction(graph);
    toolBar_->addAction(climate);
    toolBar_->addSeparator();
    toolBar_->addAction(about);

    // Labels come without "&" (or with a translator's choice): the Alt letters are handed out here,
    // once every menu and entry exists, so no two in one menu share a letter in any language.
    assignMnemonics(menuBar());
}

void MainFrame::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    statusPane_ = new QLabel(firstStatusText(), bar);
    statusPane_->setObjectName(QStringLiteral("pane0"));
    statusPane_->setMinimumWidth(0);
    bar->addWidget(statusPane_, 1);
    connectionPane_ = new ConnectionPane(qtext(context_.texts, TextRow::connected),
                                         qtext(context_.texts, TextRow::notConnected), bar);
    connectionPane_->setObjectName(QStringLiteral("pane1"));
    connectionPane_->setConnected(context_.station.isConnected());
    // The count stands beside the bar, where the fill never runs across it, and the bar is long enough
    // to show the download creep on.
    progressBar_ = new QProgressBar(bar);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setFormat(QStringLiteral("%v / %m"));
    progressBar_->setTextVisible(false);
    progressBar_->setFixedWidth(kProgressBarWidth);
    progressBar_->hide();
    progressText_ = new QLabel(bar);
    progressText_->setObjectName(QStringLiteral("progressText"));
    progressText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    progressText_->hide();
    outputsPane_ = new QLabel(bar);
    outputsPane_->setObjectName(QStringLiteral("outputsPane"));
    outputsPane_->hide();
    bar->addPermanentWidget(progressText_);
    bar->addPermanentWidget(progressBar_);
    bar->addPermanentWidget(outputsPane_);
    bar->addPermanentWidget(connectionPane_);
}

void MainFrame::showOutputText(const QString& text) {
    // The name before the first ": " says which output it is.
    outputTexts_[text.section(QStringLiteral(": "), 0, 0)] = text;
    const QStringList texts = outputTexts_.values();
    // A long text is cut to a fifth of the window's width, so the acquisition's line keeps its room;
    // the whole of every text is in the tip.
    const int widest = std::max(160, width() / 5);
    QStringList shown;
    for (const QString& t : texts) shown << outputsPane_->fontMetrics().elidedText(t, Qt::ElideRight, widest);
    outputsPane_->setText(shown.join(QStringLiteral("  |  ")));
    outputsPane_->setToolTip(texts.join(QLatin1Char('\n')));
    outputsPane_->show();
}

namespace {

// Whether the user can reach a window placed at `frame`: enough of its title strip lies on a screen
// to take hold of it.
bool reachable(const QRect& frame) {
    const QRect titleStrip(frame.left(), frame.top(), frame.width(), 32);
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = titleStrip.intersected(screen->availableGeometry());
        if (common.width() >= 100 && common.height() >= 16) return true;
    }
    return false;
}

const QString kPositionKey = QStringLiteral("window/position");
const QString kSizeKey = QStringLiteral("window/size");
const QString kMaximisedKey = QStringLiteral("window/maximised");
const QString kBarsKey = QStringLiteral("window/bars");
const QString kStatusBarKey = QStringLiteral("window/statusBar");

} // namespace

void MainFrame::rememberWindowIn(const QString& file) {
    windowStateFile_ = file;
    QSettings saved(file, QSettings::IniFormat);
    const QSize size = saved.value(kSizeKey).toSize();
    if (size.isValid()) {
        stopFillingWorkArea(*this);
        resize(size);
        const QPoint position = saved.value(kPositionKey).toPoint();
        if (reachable(QRect(position, size)))
            move(position);
        else
            placeOnScreen(); // left on a screen that is gone: this screen's work area
    }
    if (saved.value(kMaximisedKey, false).toBool()) setWindowState(windowState() | Qt::WindowMaximized);
    restoreState(saved.value(kBarsKey).toByteArray());
    // The menu's ticks follow: the toolbar's from where restoreState left it, the status bar's
    // through its command.
    if (auto* toggle = findChild<QAction*>(QStringLiteral("c%1").arg(kToggleToolBar)))
        toggle->setChecked(!toolBar_->isHidden());
    if (auto* toggle = findChild<QAction*>(QStringLiteral("c%1").arg(kToggleStatusBar)))
        toggle->setChecked(saved.value(kStatusBarKey, true).toBool());
}

void MainFrame::saveWindowState() {
    if (windowStateFile_.isEmpty()) return;
    QSettings saved(windowStateFile_, QSettings::IniFormat);
    // A maximised window keeps the size and place it comes back to when it is restored.
    const QRect normal = isMaximized() ? normalGeometry() : QRect(pos(), size());
    saved.setValue(kPositionKey, normal.topLeft());
    saved.setValue(kSizeKey, normal.size());
    saved.setValue(kMaximisedKey, isMaximized());
    saved.setValue(kBarsKey, saveState());
    saved.setValue(kStatusBarKey, !statusBar()->isHidden());
}

void MainFrame::placeOnScreen() {
    // The window, with its title bar and borders, takes the whole work area of the primary screen, as
    // the station's users expect.
    fillWorkArea(*this);
}

void MainFrame::connectionTick() {
    if (!context_.reader()) showConnection(context_.session->tick());
}

void MainFrame::showConnection(const ConnectionWatch::TickResult& result) {
    if (result.connectionChanged) connectionPane_->setConnected(result.connected);
    if (context_.session && !context_.config.testMode()) {
        QStringList lines;
        for (const std::string& line :
             linkReportLines(context_.texts, context_.station, context_.session->health()))
            lines << QString::fromStdString(line);
        connectionPane_->setDetails(lines.join(QLatin1Char('\n')));
    }
    // Without a station the thread says nothing: the user is told why, once each time it changes, so a
    // missing station, one this user may not open and a slow one can be told apart.
    Absence absence = absenceShown_;
    if (result.connected)
        absence = Absence::none;
    else if (result.accessDenied)
        absence = Absence::accessDenied;
    else if (result.polled)
        absence = Absence::notFound;
    if (absence != absenceShown_ && absence != Absence::none) {
        showStatusText(QString::fromStdString(
            noStationText(absence == Absence::accessDenied, context_.config, context_.texts)));
        showProgress(0, 0);
    }
    absenceShown_ = absence;
}

QString MainFrame::firstStatusText() const {
    switch (context_.access) {
    case FolderAccess::readerLocked:
        return qtext(context_.texts, "frame.reader_locked");
    case FolderAccess::readerNotWritable:
        return qtext(context_.texts, "frame.reader_read_only");
    case FolderAccess::writer:
        break;
    }
    return qtext(context_.texts, TextRow::ready); // "Ready"
}

void MainFrame::showProgress(qint64 done, qint64 total) {
    if (total < kProgressBarFrom) {
        progressBar_->hide();
        progressText_->hide();
        return;
    }
    progressBar_->setRange(0, static_cast<int>(std::min<qint64>(total, INT_MAX)));
    progressBar_->setValue(static_cast<int>(std::clamp<qint64>(done, 0, total)));
    progressText_->setText(progressBar_->text());
    // As wide as the largest count of this job, so the bar does not shift while the count grows.
    progressText_->setMinimumWidth(progressText_->fontMetrics().horizontalAdvance(
        QStringLiteral("%1 / %1").arg(progressBar_->maximum())));
    progressBar_->show();
    progressText_->show();
}

void MainFrame::showStatusText(const QString& text) {
    statusPane_->setText(text);
    statusPane_->setToolTip(text); // a text longer than the line can still be read whole
    statusPane_->repaint();
}

void MainFrame::loadDefaultValue() {
    const LanguageTable& t = context_.texts;
    QMessageBox question(QMessageBox::Question, qtext(t, TextRow::operationNotify),
                         QString::fromStdString(stationCommandQuestion(StationCommand::loadDefaults, t)),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName(QStringLiteral("loadDefaultQuestion"));
    question.button(QMessageBox::Yes)->setText(qtext(t, "frame.yes"));
    question.button(QMessageBox::No)->setText(qtext(t, "frame.no"));
    if (question.exec() != QMessageBox::Yes || stationWork_.running()) return;

    // The station is shared with the acquisition thread: take it like every other caller, off this
    // thread, so that a busy or silent station never freezes the window.
    StationAccess& station = context_.station;
    Clock& clock = context_.clock;
    stationWork_.run<FormOutcome>(
        [&station, &clock, &t] { return runStationCommand(StationCommand::loadDefaults, station, clock, t); },
        [this](FormOutcome& loaded) {
            if (loaded.done) return;
            QMessageBox failure(QMessageBox::NoIcon, qtext(context_.texts, TextRow::applicationTitle),
                                QString::fromStdString(loaded.message), QMessageBox::Ok, this);
            failure.setObjectName(QStringLiteral("loadDefaultFailure"));
            failure.exec();
        });
}

void MainFrame::showHistory() {
    // The units of the station's settings as the acquisition thread last published them, copied once
    // now; before its first reading the grid shows the stored base units.
    const std::optional<StationSettings> settings = view_->stationSettings();
    // Graph... closes the History window and opens the Graph window on its period and pickers.
    openHistoryWindow(context_, settings ? unitSelectionOf(*settings) : UnitSelection{}, this,
                      [this](const PickedRange& range) {
                          openGraphWindow(context_, view_->stationSettings(), range, this);
                      });
}

void MainFrame::showGraph() {
    openGraphWindow(context_, view_->stationSettings(), lastMonthGraphStart(context_.clock.nowSeconds()),
                    this);
}

void MainFrame::showClimate() {
    openClimateWindow(context_, view_->stationSettings(), this);
}

void MainFrame::showAbout() {
    AboutBox box(context_.config, context_.texts, this);
    box.exec();
}

void MainFrame::comeForward() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void MainFrame::exitProgram() {
    exiting_ = true;
    close();
    // With a tray the window may have been hidden, and a hidden window's close does not end the program.
    if (tray_) QCoreApplication::quit();
}

void MainFrame::closeEvent(QCloseEvent* event) {
    saveWindowState();
    if (closeToTray_ && !exiting_) {
        // The station is still read and logged; the tray's icon brings the window back.
        event->ignore();
        hide();
        return;
    }
    stationWork_.finish();
    view_->stopMonitor();
    QMainWindow::closeEvent(event);
}

} // namespace nimbrel
