// What a gauge with a growing scale shows: whether it has a value, the value, and the scale in force.
#pragma once

#include "presentation/decimal_text.h"

#include <QString>
#include <optional>
#include <string>

namespace nimbrel {

template <class Scale> struct GaugeReading {
    bool valid = false;
    Scale scale;
    double value = 0.0;

    // Takes a reading's text on a base scale that grow(value) widens until the value fits. "" and
    // "---" show the scale without a value, and so does a value no scale can be built for (a garbled
    // reading). False when what the gauge shows stays as it was.
    template <class Grow> bool take(const QString& valueText, const Scale& base, Grow grow) {
        const std::string text = valueText.trimmed().toStdString();
        const double number = numberValue(text);
        const std::optional<Scale> grown = grow(number);
        const bool shown = !text.empty() && text != "---" && grown.has_value();
        // The base is compared with the scale in force, which may have grown for the value before.
        if (shown == valid && base == scale && number == value) return false;
        valid = shown;
        value = number;
        scale = grown.value_or(base);
        return true;
    }
};

} // namespace nimbrel
