#include "ui/controls/square_box.h"

#include <QResizeEvent>

namespace nimbrel {

SquareBox::SquareBox(QWidget* control, QWidget* parent) : QWidget(parent), control_(control) {
    control_->setParent(this);
    control_->show(); // a new parent hides it
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize SquareBox::sizeHint() const {
    return control_->sizeHint();
}

QSize SquareBox::minimumSizeHint() const {
    return control_->minimumSizeHint();
}

void SquareBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int side = qMin(width(), height());
    control_->setGeometry((width() - side) / 2, (height() - side) / 2, side, side);
}

} // namespace nimbrel
