#include "ui/connection_pane.h"

#include "ui/gui_resources.h"

#include <QPainter>

namespace nimbrel {

ConnectionPane::ConnectionPane(const QString& connectedText, const QString& notConnectedText, QWidget* parent)
    : QWidget(parent), connectedText_(connectedText), notConnectedText_(notConnectedText) {
    setFixedSize(kWidth, kHeight);
    setToolTip(notConnectedText_);
}

void ConnectionPane::setConnected(bool connected) {
    if (connected == connected_) return;
    connected_ = connected;
    setToolTip(connected_ ? connectedText_ : notConnectedText_);
    update();
}

void ConnectionPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap pixmap = picture(connected_ ? QStringLiteral("connection/connected.svg")
                                              : QStringLiteral("connection/not_connected.svg"),
                                   QSize(kWidth, kHeight) * devicePixelRatioF());
    painter.drawPixmap(rect(), pixmap);
}

} // namespace nimbrel
