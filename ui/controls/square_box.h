// Holds one control at the largest square that fits, centred: for a drawing that must stay round as
// the window grows (the wind compass).
#pragma once

#include <QWidget>

namespace nimbrel {

class SquareBox : public QWidget {
    Q_OBJECT
public:
    // Takes the control as its child.
    explicit SquareBox(QWidget* control, QWidget* parent = nullptr);

    QWidget* control() const { return control_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* control_;
};

} // namespace nimbrel
