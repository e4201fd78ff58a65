#include "ui/chart_widget.h"

#include "chart/chart_painter.h"

#include <QPainter>

namespace nimbrel {

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ChartWidget::setModel(ChartModel model) {
    model_ = std::move(model);
    empty_ = false;
    update();
}

void ChartWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (empty_) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    chart::paintChart(painter, model_, QRectF(rect()));
}

} // namespace nimbrel
