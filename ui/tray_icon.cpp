#include "ui/tray_icon.h"

#include "app/text_row.h"
#include "station/flag_text.h"
#include "ui/weather_view.h"
#include "ui/window_texts.h"

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <cstdint>
#include <xcb/xcb.h>

namespace nimbrel {

namespace {

// The view's boxes that the tooltip lists, each under its caption.
struct TipLine {
    TextRow caption;
    int box;
    int secondBox; // 0: none; else shown after the first (the wind's direction)
};
constexpr TipLine kTipLines[] = {
    {TextRow::outdoorTemperature, 10015, 0}, {TextRow::outdoorHumidity, 10025, 0},
    {TextRow::relativePressure, 10220, 0},   {TextRow::windVelocity, 10035, 10039},
    {TextRow::dayRainfall, 10019, 0},
};
constexpr int kOutdoorTemperatureBox = 10015;
constexpr int kIconSize = 64;

QIcon temperatureIcon(const QString& text) {
    QPixmap picture(kIconSize, kIconSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1F, 0x4E, 0x79));
    painter.drawRoundedRect(QRectF(1, 1, kIconSize - 2, kIconSize - 2), 12, 12);
    QFont font;
    font.setBold(true);
    // As large as the text fits: three or four characters across the icon.
    font.setPixelSize(text.size() <= 3 ? 30 : 23);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, kIconSize, kIconSize), Qt::AlignCenter, text);
    return QIcon(picture);
}

// In a tray of the older kind (XEmbed: tint2, trayer, lxpanel), Qt places its icon's window inside the
// tray's slot at an offset that leaves it out of sight; it is put back in the slot's corner. Qt keeps its
// own idea of the place, so only the X server is told.
void keepIconInItsSlot() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) return;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->inherits("QSystemTrayIconSys") || !widget->testAttribute(Qt::WA_WState_Created))
            continue;
        const std::uint32_t corner[] = {0, 0};
        xcb_configure_window(x11->connection(), static_cast<xcb_window_t>(widget->winId()),
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, corner);
        xcb_flush(x11->connection());
    }
}

} // namespace

QString TrayIcon::iconText(const QString& shownTemperature) {
    static const QRegularExpression number(QStringLiteral("^\\s*(-?\\d+(?:\\.\\d+)?)"));
    const QRegularExpressionMatch match = number.match(shownTemperature);
    if (!match.hasMatch()) return QStringLiteral("--");
    const long rounded = std::lround(match.captured(1).toDouble());
    return QString::number(rounded == 0 ? 0L : rounded) + QChar(0x00B0);
}

TrayIcon::TrayIcon(QWidget& window, const WeatherView& view, const LanguageTable& texts, QObject* parent)
    : QObject(parent), window_(window), view_(view), texts_(texts) {
    menu_ = new QMenu(&window_);
    QAction* toggle = menu_->addAction(qtext(texts_, "tray.show_hide"));
    connect(toggle, &QAction::triggered, this, &TrayIcon::toggleWindow);
    menu_->addSeparator();
    QAction* exit = menu_->addAction(qtext(texts_, TextRow::exit));
    connect(exit, &QAction::triggered, this, &TrayIcon::exitRequested);

    icon_ = new QSystemTrayIcon(this);
    icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) toggleWindow();
    });
    draw();
    icon_->show();
    // The tray takes the icon in a moment after it is shown.
    QTimer::singleShot(1000, this, &keepIconInItsSlot);
}

TrayIcon::~TrayIcon() {
    icon_->hide();
}

void TrayIcon::showReading() {
    lastRead_ = QLocale().toString(QTime::currentTime(), QLocale::ShortFormat);
    draw();
    keepIconInItsSlot();
}

void TrayIcon::draw() {
    const QString temperature = view_.controlText(kOutdoorTemperatureBox);
    icon_->setIcon(temperatureIcon(iconText(temperature)));
    QStringList lines = {qtext(texts_, TextRow::applicationTitle)};
    for (const TipLine& line : kTipLines) {
        QString value = view_.controlText(line.box);
        if (line.secondBox != 0 && !view_.controlText(line.secondBox).isEmpty())
            value += QLatin1Char(' ') + view_.controlText(line.secondBox);
        lines << qtext(texts_, line.caption) + QStringLiteral(": ") +
                     (value.isEmpty() ? QStringLiteral("---") : value);
    }
    if (!lastRead_.isEmpty())
        lines << qtext(texts_, TextRow::lastReadTime) + QStringLiteral(": ") + lastRead_;
    icon_->setToolTip(lines.join(QLatin1Char('\n')));
}

void TrayIcon::toggleWindow() {
    if (window_.isVisible() && !window_.isMinimized()) {
        window_.hide();
        return;
    }
    if (window_.isMinimized()) window_.showNormal();
    window_.show();
    window_.raise();
    window_.activateWindow();
}

} // namespace nimbrel
