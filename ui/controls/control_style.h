// The look that the drawn controls share: their small label font and the fill colour of a reading.
#pragma once

#include <QColor>
#include <QFont>

namespace nimbrel {

// Light blue of every gauge, bar and needle.
inline QColor readingFillColour() {
    return QColor(128, 128, 255);
}

// 8-point Arial, or the closest sans-serif face the system has.
inline QFont controlLabelFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

} // namespace nimbrel
