// whenShown: acts on a window that a modal loop is about to show, for the window tests (Qt only).
#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace nimbrel::testing {

// Runs `act` once on the first visible top-level window that `match` accepts, looking every 10 ms
// (the modal loop that shows it runs meanwhile). The returned timer is gone once it acted.
inline QPointer<QTimer> whenShown(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, match, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && match(w)) {
                timer->stop();
                timer->deleteLater();
                act(w);
                return;
            }
        }
    });
    timer->start();
    return timer;
}

// The same for the window of that object name.
inline QPointer<QTimer> whenShown(const QString& name, std::function<void(QWidget*)> act) {
    return whenShown([name](QWidget* w) { return w->objectName() == name; }, std::move(act));
}

} // namespace nimbrel::testing
