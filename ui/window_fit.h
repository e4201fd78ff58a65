// Keeps every window, with the frame that the window manager puts round it (title bar and borders), on
// its screen's work area. The frame is only known once the window manager has taken the window in, after
// it is shown: until then a window is fitted with the frame seen on an earlier window, or a reserve for
// one, and fitted again as soon as its own frame is known.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace nimbrel {

// Where a window's inside goes so that its frame lies inside `area`: as much of `wanted` (the inside's
// place and size) as fits, moved in no further than needed, and never smaller than `minimum`.
QRect fittedGeometry(const QRect& wanted, const QMargins& frame, const QRect& area,
                     const QSize& minimum = {});

// The inside of a window whose frame covers `area` exactly.
QRect filledGeometry(const QMargins& frame, const QRect& area);

// The frame that windows get: as measured on a window the window manager has taken in, else the
// reserve of this platform.
QMargins expectedFrameMargins();
// The room left for a frame before one is known, on a Qt platform of this name: a title bar and borders
// under a window manager (X11, Wayland), nothing where no window manager draws frames (offscreen).
QMargins frameReserveOn(const QString& platform);

// How wide a window must be for the window manager to show its whole caption beside its buttons,
// measured in a bold face of the application's font (title bars are set in bold).
int captionWidth(const QString& caption);

// Once per application: every window and dialog, message boxes and Qt's own included, is kept on its
// screen's work area with its frame whenever it shows; a message box is made wide enough for its
// caption.
void keepWindowsOnScreen();

// The program's main window: it covers the work area of its screen, frame included, from now on (placed
// now with the expected frame, and again exactly once its own frame is known).
void fillWorkArea(QWidget& window);
// The main window keeps the place and size it has been given (the user's own, from a run before).
void stopFillingWorkArea(QWidget& window);

} // namespace nimbrel
