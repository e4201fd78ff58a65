#include "ui/gui_resources.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

// Outside any namespace: the macro declares a function of the global namespace.
static void initNimbrelResources() {
    Q_INIT_RESOURCE(nimbrel);
}

namespace nimbrel {

void ensureGuiResources() {
    static const bool done = [] {
        initNimbrelResources();
        return true;
    }();
    (void)done;
}

QPixmap picture(const QString& name, const QSize& size) {
    ensureGuiResources();
    const QString path = QStringLiteral(":/") + name;
    if (!QFile::exists(path)) return {};
    if (!name.endsWith(QLatin1String(".svg"))) return QPixmap(path).scaled(size);
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return pixmap;
}

QIcon icon(const QString& name) {
    ensureGuiResources();
    // QIcon renders an SVG afresh at whatever size the toolbar asks for.
    return QIcon(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
}

} // namespace nimbrel
