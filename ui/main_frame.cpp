#include "ui/main_frame.h"

#include "acquisition/connection_watch.h"
#include "app/configuration.h"
#include "app/language_table.h"
#include "station/station_access.h"
#include "ui/about_box.h"
#include "ui/connection_pane.h"
#include "ui/gui_resources.h"
#include "ui/mnemonics.h"
#include "ui/weather_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

namespace nimbrel {

namespace {

QString qtext(const LanguageTable& texts, int row) {
    return QString::fromStdString(texts.text(row));
}
QString qtext(const LanguageTable& texts, std::string_view key) {
    return QString::fromStdString(texts.text(key));
}

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
    kAbout = 57664,
};

} // namespace

MainFrame::MainFrame(const AppContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context),
      watch_(
          std::make_unique<ConnectionWatch>(context.station, context.store, context.config.searchDataOn())) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(qtext(context.texts, 0));
    setWindowIcon(icon(QStringLiteral("nimbrel")));

    view_ = new WeatherView(context_, this);
    setCentralWidget(view_);
    connect(view_, &WeatherView::statusText, this, &MainFrame::showStatusText);
    connect(view_, &WeatherView::titleChanged, this, &QWidget::setWindowTitle);

    buildMenusAndToolbar();
    buildStatusBar();
    placeOnScreen();

    connectionTimer_.setInterval(kConnectionTimerMs);
    connect(&connectionTimer_, &QTimer::timeout, this, &MainFrame::connectionTick);
    connectionTimer_.start();
}

MainFrame::~MainFrame() {
    connectionTimer_.stop();
    // The view stops and joins the acquisition thread in its own destructor, before any
    // widget it fills goes away.
}

void MainFrame::buildMenusAndToolbar() {
    const LanguageTable& t = context_.texts;

    toolBar_ = new QToolBar(qtext(t, 4), this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setIconSize(QSize(24, 24));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    addToolBar(Qt::TopToolBarArea, toolBar_);

    // Display
    QMenu* display = menuBar()->addMenu(qtext(t, 3));
    display->setObjectName(QStringLiteral("menuDisplay"));
    QAction* toggleToolBar = command(this, kToggleToolBar, qtext(t, 4), qtext(t, "frame.tip.toolbar"));
    toggleToolBar->setCheckable(true);
    toggleToolBar->setChecked(true);
    connect(toggleToolBar, &QAction::toggled, toolBar_, &QWidget::setVisible);
    connect(toolBar_, &QToolBar::visibilityChanged, toggleToolBar, [toggleToolBar, this](bool) {
        // Closing a floating toolbar hides it too; keep the menu's tick honest.
        toggleToolBar->setChecked(!toolBar_->isHidden());
    });
    display->addAction(toggleToolBar);

    QAction* toggleStatusBar = command(this, kToggleStatusBar, qtext(t, 5), qtext(t, "frame.tip.statusbar"));
    toggleStatusBar->setCheckable(true);
    toggleStatusBar->setChecked(true);
    connect(toggleStatusBar, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    display->addAction(toggleStatusBar);
    display->addSeparator();

    QAction* exit = command(this, kExit, qtext(t, 6), qtext(t, "frame.tip.exit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    display->addAction(exit);

    // System: Setup, Alarm and Scope join here with their windows; the station command that
    // needs no window of its own is here already.
    QMenu* system = menuBar()->addMenu(qtext(t, 7));
    system->setObjectName(QStringLiteral("menuSystem"));
    QAction* loadDefault =
        command(this, kLoadDefault, qtext(t, "frame.loaddefault"), qtext(t, "frame.tip.loaddefault"));
    loadDefault->setIcon(icon(QStringLiteral("default")));
    connect(loadDefault, &QAction::triggered, this, &MainFrame::loadDefaultValue);
    system->addAction(loadDefault);

    // Record: History and Graph join here with their windows.
    QMenu* record = menuBar()->addMenu(qtext(t, 12));
    record->setObjectName(QStringLiteral("menuRecord"));
    record->menuAction()->setVisible(false);

    // Help
    QMenu* help = menuBar()->addMenu(qtext(t, 15));
    help->setObjectName(QStringLiteral("menuHelp"));
    QAction* about = command(this, kAbout, qtext(t, 17) + QStringLiteral("..."), qtext(t, "frame.tip.about"));
    about->setIcon(icon(QStringLiteral("about")));
    connect(about, &QAction::triggered, this, &MainFrame::showAbout);
    help->addAction(about);

    toolBar_->addAction(loadDefault);
    toolBar_->addSeparator();
    toolBar_->addAction(about);

    // Labels come without "&" (or with a translator's choice): the Alt letters are handed out here,
    // once every menu and entry exists, so no two in one menu share a letter in any language.
    assignMnemonics(menuBar());
}

void MainFrame::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    statusPane_ = new QLabel(qtext(context_.texts, 128), bar);
    statusPane_->setObjectName(QStringLiteral("pane0"));
    statusPane_->setMinimumWidth(0);
    bar->addWidget(statusPane_, 1);
    connectionPane_ = new ConnectionPane(qtext(context_.texts, 117), qtext(context_.texts, 118), bar);
    connectionPane_->setObjectName(QStringLiteral("pane1"));
    connectionPane_->setConnected(context_.station.isConnected());
    bar->addPermanentWidget(connectionPane_);
}

void MainFrame::placeOnScreen() {
    // The frame takes the whole work area of the primary screen, as the station's users expect.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.topLeft());
        resize(area.size());
    }
}

void MainFrame::connectionTick() {
    const ConnectionWatch::TickResult result = watch_->tick();
    if (result.connectionChanged) connectionPane_->setConnected(result.connected);
    // A station that is plugged in but may not be opened looks like none at all: say which it is.
    if (result.accessDenied && !accessDeniedShown_)
        showStatusText(qtext(context_.texts, "station.access_denied"));
    accessDeniedShown_ = result.accessDenied;
}

void MainFrame::showStatusText(const QString& text) {
    statusPane_->setText(text);
    statusPane_->setToolTip(text); // a text longer than the line can still be read whole
    statusPane_->repaint();
}

void MainFrame::loadDefaultValue() {
    const LanguageTable& t = context_.texts;
    QMessageBox question(QMessageBox::Question, qtext(t, 123), qtext(t, 157),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName(QStringLiteral("loadDefaultQuestion"));
    question.button(QMessageBox::Yes)->setText(qtext(t, "frame.yes"));
    question.button(QMessageBox::No)->setText(qtext(t, "frame.no"));
    if (question.exec() != QMessageBox::Yes) return;

    // The station is shared with the acquisition thread: take it like every other caller.
    StationBusyLock busy(context_.station.busy());
    if (!busy.acquire(context_.clock)) {
        QMessageBox::information(this, qtext(t, 0), qtext(t, 162));
        return;
    }
    const bool done = context_.station.resetStation();
    busy.release();
    if (!done) {
        QMessageBox failure(QMessageBox::NoIcon, qtext(t, 0), qtext(t, 168), QMessageBox::Ok, this);
        failure.setObjectName(QStringLiteral("loadDefaultFailure"));
        failure.exec();
    }
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

void MainFrame::closeEvent(QCloseEvent* event) {
    connectionTimer_.stop();
    view_->stopMonitor();
    QMainWindow::closeEvent(event);
}

} // namespace nimbrel
