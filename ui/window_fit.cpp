#include "ui/window_fit.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLayout>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <optional>

namespace nimbrel {

namespace {

// Until a window manager's frame has been measured: room for the title bar of a common theme and thin
// borders. A frame that turns out smaller leaves a few pixels of the work area free until it is known.
const QMargins kFrameReserve(4, 32, 4, 4);
std::optional<QMargins> measuredFrame;

// Platforms where no window manager draws a frame round a window: a screen of its own, or none.
const char* const kFramelessPlatforms[] = {"offscreen", "minimal", "eglfs", "linuxfb", "vnc", "vkkhrdisplay"};

// The window manager takes a window in shortly after it is mapped; it is looked at this often, for at
// most this long, before it is taken to have no frame.
constexpr int kFrameLookMs = 40;
constexpr int kFrameLooks = 75;

const char* const kFillsWorkArea = "nimbrelFillsWorkArea";

// Windows and dialogs, not menus, tooltips or splash screens (the toolkit places those itself).
bool isKept(const QWidget& w) {
    if (!w.isWindow()) return false;
    const Qt::WindowType type = w.windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

QRect workAreaOf(const QWidget& w) {
    QScreen* screen = w.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The frame as the window system reports it; nothing before the window manager has taken the window in.
QMargins frameOf(const QWidget& w) {
    const QRect outer = w.frameGeometry();
    const QRect inner = w.geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

// Where the window belongs with `frame` round it: the main window over the whole work area, any other
// as it is, made smaller and moved in as far as the work area asks.
QRect placeFor(const QWidget& w, const QMargins& frame) {
    const QRect area = workAreaOf(w);
    if (w.property(kFillsWorkArea).toBool()) return filledGeometry(frame, area);
    return fittedGeometry(w.geometry(), frame, area, w.minimumSize());
}

void fit(QWidget& w, const QMargins& frame) {
    if (w.isMaximized() || w.isFullScreen() || workAreaOf(w).isEmpty()) return; // the window manager's
    const QRect place = placeFor(w, frame);
    if (place != w.geometry()) w.setGeometry(place);
}

// A message box sizes itself for its text; its caption, which the window manager sets in its title bar
// beside the buttons, is cut short in a narrow box. It is widened for it, as far as the work area allows,
// on both sides when `centred` (a box centred on its window stays centred).
void widenForCaption(QMessageBox& box, bool centred) {
    const QMargins frame = expectedFrameMargins();
    const int room = workAreaOf(box).width() - frame.left() - frame.right();
    const int wanted = std::min(captionWidth(box.windowTitle()), room);
    if (box.width() >= wanted) return;
    int height = box.height();
    if (QLayout* layout = box.layout(); layout && layout->hasHeightForWidth())
        height = std::max(layout->totalHeightForWidth(wanted), layout->totalMinimumSize().height());
    const int grown = wanted - box.width();
    box.setFixedSize(wanted, height);
    if (centred) box.move(box.pos() - QPoint(grown / 2, 0));
}

// Fits the window again once its own frame is known, and remembers that frame for the windows to come.
void fitWhenFramed(QWidget& w) {
    auto* timer = new QTimer(&w);
    timer->setInterval(kFrameLookMs);
    QObject::connect(timer, &QTimer::timeout, &w, [&w, timer, looks = 0]() mutable {
        const QMargins frame = frameOf(w);
        const bool framed = !frame.isNull();
        if (w.isVisible() && !framed && ++looks < kFrameLooks) return;
        timer->deleteLater();
        if (!w.isVisible()) return;
        if (framed) measuredFrame = frame;
        // The window manager's first configure of a message box can bring back the width it was mapped
        // with, before it was widened: widened again where it stands, now that it has been taken in.
        if (auto* box = qobject_cast<QMessageBox*>(&w)) widenForCaption(*box, false);
        if (framed) fit(w, frame);
        // Placed for good: from now on the user sizes the main window.
        w.setProperty(kFillsWorkArea, QVariant());
    });
    timer->start();
}

class WindowKeeper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type != QEvent::Show && type != QEvent::ShowToParent) || !object->isWidgetType()) return false;
        auto& w = static_cast<QWidget&>(*object);
        if (!isKept(w) || event->spontaneous()) return false;
        if (type == QEvent::Show) {
            // Before a dialog centres itself on its parent: a size that fits with the expected frame.
            if (!w.isMaximized() && !w.isFullScreen() && !workAreaOf(w).isEmpty())
                w.resize(placeFor(w, expectedFrameMargins()).size());
            return false;
        }
        // Shown and placed (a message box has sized itself for its text by now); the window manager is
        // about to take it in.
        if (auto* box = qobject_cast<QMessageBox*>(&w)) widenForCaption(*box, true);
        fit(w, expectedFrameMargins());
        fitWhenFramed(w);
        return false;
    }
};

} // namespace

QRect fittedGeometry(const QRect& wanted, const QMargins& frame, const QRect& area, const QSize& minimum) {
    const QSize size = wanted.size().boundedTo(area.size().shrunkBy(frame)).expandedTo(minimum);
    QRect outer(wanted.topLeft() - QPoint(frame.left(), frame.top()), size.grownBy(frame));
    // A frame larger than the area keeps its top left corner, with the title bar, on it.
    outer.moveLeft(std::max(area.left(), std::min(outer.left(), area.right() + 1 - outer.width())));
    outer.moveTop(std::max(area.top(), std::min(outer.top(), area.bottom() + 1 - outer.height())));
    return outer.marginsRemoved(frame);
}

QRect filledGeometry(const QMargins& frame, const QRect& area) {
    return area.marginsRemoved(frame);
}

QMargins frameReserveOn(const QString& platform) {
    for (const char* frameless : kFramelessPlatforms)
        if (platform == QLatin1String(frameless)) return {};
    return kFrameReserve;
}

QMargins expectedFrameMargins() {
    return measuredFrame.value_or(frameReserveOn(QGuiApplication::platformName()));
}

int captionWidth(const QString& caption) {
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    // Beside the caption: the window's icon and three buttons (minimise, maximise, close) of about a
    // line and a half each, and the title bar's padding, with room to spare for a larger theme.
    return metrics.horizontalAdvance(caption) + 9 * metrics.height();
}

void keepWindowsOnScreen() {
    static WindowKeeper* keeper = nullptr;
    if (keeper || !qApp) return;
    keeper = new WindowKeeper(qApp);
    qApp->installEventFilter(keeper);
}

void fillWorkArea(QWidget& window) {
    window.setProperty(kFillsWorkArea, true);
    if (QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen())
        window.setGeometry(filledGeometry(expectedFrameMargins(), screen->availableGeometry()));
}

void stopFillingWorkArea(QWidget& window) {
    window.setProperty(kFillsWorkArea, QVariant());
}

} // namespace nimbrel
