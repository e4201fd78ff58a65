// The wind compass: a compass rose with a light-blue needle pointing into the wind's direction code.
#pragma once

#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <array>

namespace nimbrel {

// The direction code a text asks for: "" and "---" mean -1 (no needle), so does a text without a number.
int compassDirectionFromText(const QString& text);

// The ellipse on which the needle's points lie, inside a compass of the given area: the rose's letters
// take the margin around it.
QRectF compassNeedleEllipse(const QRectF& area);

// The needle for a direction code 0 to 15 (0 up, 4 right, 8 down, 12 left) as four corners: tail, one
// shoulder, tip, other shoulder. Empty for any other code.
QPolygonF compassNeedle(const QRectF& area, int direction);

class WindCompass : public QWidget {
    Q_OBJECT
public:
    explicit WindCompass(QWidget* parent = nullptr);

    void setDirection(const QString& text);
    int direction() const { return direction_; }

    // The letters drawn at north, east, south and west, in the user's language; English until set.
    void setPointLetters(const std::array<QString, 4>& letters);
    const std::array<QString, 4>& pointLetters() const { return letters_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintRose(QPainter& painter) const;

    int direction_ = -1;
    std::array<QString, 4> letters_{QStringLiteral("N"), QStringLiteral("E"), QStringLiteral("S"),
                                    QStringLiteral("W")};
};

} // namespace nimbrel
