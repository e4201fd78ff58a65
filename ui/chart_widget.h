// ChartWidget: a chart model drawn in a window by the chart painter, the same drawing as a saved picture.
#pragma once

#include "presentation/chart_model.h"

#include <QWidget>

namespace nimbrel {

class ChartWidget : public QWidget {
    Q_OBJECT
public:
    explicit ChartWidget(QWidget* parent = nullptr);

    // Shows the model from the next paint on; the model shares its points with the window's data.
    void setModel(ChartModel model);
    const ChartModel& model() const { return model_; }
    // Nothing to draw yet (before the first search).
    bool isEmpty() const { return empty_; }

    QSize sizeHint() const override { return {780, 420}; }
    QSize minimumSizeHint() const override { return {320, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ChartModel model_;
    bool empty_ = true;
};

} // namespace nimbrel
