#include "chart/chart_file.h"

#include "app/picture_format.h"
#include "chart/chart_painter.h"

#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace nimbrel::chart {

bool saveChart(const ChartModel& model, const QString& path, QSize size, QString* error) {
    auto failed = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    const PictureFormat format = pictureFormatOf(path.toStdString());

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failed(file.errorString());
    if (format == PictureFormat::svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QString::fromStdString(model.title));
        QPainter painter;
        if (!painter.begin(&svg)) return failed(QStringLiteral("cannot draw the picture"));
        paintChart(painter, model, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.end();
    } else {
        QImageWriter writer(&file, format == PictureFormat::png ? "png" : "jpeg");
        // Quality 100 for the JPEG; for a PNG the same number would mean no compression at all.
        if (format == PictureFormat::jpeg) writer.setQuality(100);
        if (!writer.write(renderChart(model, size))) return failed(writer.errorString());
    }
    if (!file.commit()) return failed(file.errorString());
    return true;
}

} // namespace nimbrel::chart
