// The language table's texts as Qt strings, and the numbered command buttons of the windows.
#pragma once

#include "app/language_table.h"

#include <QPushButton>
#include <QString>
#include <initializer_list>
#include <string_view>

namespace nimbrel {

inline QString qtext(const LanguageTable& texts, TextKey key) {
    return QString::fromStdString(texts.text(key));
}
inline QString qtext(const LanguageTable& texts, TextKey key,
                     std::initializer_list<std::string_view> arguments) {
    return QString::fromStdString(texts.text(key, arguments));
}

// A button named "c<id>" after its command; it is never the default button by taking the focus.
inline QPushButton* commandButton(const QString& text, int id) {
    auto* button = new QPushButton(text);
    button->setObjectName(QStringLiteral("c%1").arg(id));
    button->setAutoDefault(false);
    return button;
}

} // namespace nimbrel
