// TrayIcon: the program in the desktop's notification area, for a user who keeps the window out of the
// way: the outdoor temperature drawn into the icon, the main values in its tooltip, a click that shows
// or hides the window, and a menu with Exit.
#pragma once

#include <QObject>
#include <QString>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace nimbrel {

class LanguageTable;
class WeatherView;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    // Shown at once; `window` is shown or hidden by a click, `exit` ends the program from the menu.
    TrayIcon(QWidget& window, const WeatherView& view, const LanguageTable& texts, QObject* parent = nullptr);
    ~TrayIcon() override;

    // A reading was put into the view: draws it into the icon and its tooltip, read now.
    void showReading();
    QSystemTrayIcon* icon() const { return icon_; }
    // The temperature as the icon shows it: the value rounded to a whole degree ("12°", "-3°"), "--"
    // for no reading.
    static QString iconText(const QString& shownTemperature);

signals:
    // The menu's Exit.
    void exitRequested();

private:
    void draw();
    void toggleWindow();

    QWidget& window_;
    const WeatherView& view_;
    const LanguageTable& texts_;
    QSystemTrayIcon* icon_ = nullptr;
    QMenu* menu_ = nullptr;
    QString lastRead_; // when the newest reading came; empty before the first
};

} // namespace nimbrel
