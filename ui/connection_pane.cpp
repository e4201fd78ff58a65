#include "ui/connection_pane.h"

#include "ui/gui_resources.h"

#include <QPainter>

namespace nimbrel {

ConnectionPane::ConnectionPane(const QString& connectedText, const QString& notConnectedText, QWidget* parent)
    : QWidget(parent), connectedText_(connectedText), notConnectedText_(notConnectedText) {
    setFixedSize(kWidth, kHeight);
    showToolTip();
}

void ConnectionPane::setConnected(bool connected) {
    if (connected == connected_) return;
    connected_ = connected;
    showToolTip();
    update();
}

void ConnectionPane::setDetails(const QString& details) {
    if (details == details_) return;
    details_ = details;
    showToolTip();
}

void ConnectionPane::showToolTip() {
    const QString& state = connected_ ? connectedText_ : notConnectedText_;
    setToolTip(details_.isEmpty() ? state : state + QLatin1Char('\n') + details_);
}

void ConnectionPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap pixmap = picture(connected_ ? QStringLiteral("connection/connected.svg")
                                              : QStringLiteral("connection/not_connected.svg"),
                                   QSize(kWidth, kHeight) * devicePixelRatioF());
    painter.drawPixmap(rect(), pixmap);
}

} // namespace nimbrel
