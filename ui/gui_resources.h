// Access to the pictures compiled into the program (lamps, connection, conditions, toolbar, icon).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace nimbrel {

// The pictures live in a static library, whose resource initialiser the linker would drop unless
// something refers to it; every loader below calls this first, so callers never have to.
void ensureGuiResources();

// A picture of resources/, rendered at the given size in device-independent pixels, for example
// picture("lamps/met.svg", QSize(16, 16)). An unknown name gives a null pixmap.
QPixmap picture(const QString& name, const QSize& size);

// A toolbar or window icon from resources/icons/, for example icon("setup").
QIcon icon(const QString& name);

} // namespace nimbrel
