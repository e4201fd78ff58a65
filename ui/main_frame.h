// MainFrame: the program's one top-level window: menus, toolbar, status bar, connection watch.
#pragma once

#include "ui/app_context.h"

#include <QMainWindow>
#include <QTimer>
#include <memory>

class QLabel;
class QToolBar;

namespace nimbrel {

class ConnectionPane;
class ConnectionWatch;
class WeatherView;

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    // The connection watch ticks once a second while the frame exists.
    static constexpr int kConnectionTimerMs = 1000;

    explicit MainFrame(const AppContext& context, QWidget* parent = nullptr);
    ~MainFrame() override;

    WeatherView* view() const { return view_; }
    QToolBar* toolBar() const { return toolBar_; }
    // Status pane 0: "Ready", then the latest text of the acquisition thread.
    QLabel* statusPane() const { return statusPane_; }
    ConnectionPane* connectionPane() const { return connectionPane_; }

    // One tick of the ConnectionTimer; the timer calls it, tests may call it directly.
    void connectionTick();
    // Restores a minimised window and brings it to the front (a second copy asked for it).
    void comeForward();

public slots:
    void showStatusText(const QString& text);
    void loadDefaultValue();
    void showAbout();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenusAndToolbar();
    void buildStatusBar();
    void placeOnScreen();

    AppContext context_;
    std::unique_ptr<ConnectionWatch> watch_;
    WeatherView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* statusPane_ = nullptr;
    bool accessDeniedShown_ = false;
    ConnectionPane* connectionPane_ = nullptr;
    QTimer connectionTimer_;
};

} // namespace nimbrel
