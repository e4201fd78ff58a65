// QtTranslations: Qt's own texts (message box buttons, file dialog, edit field menus) in the user's language.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QTranslator;

namespace nimbrel {

class QtTranslations {
public:
    // Loads "qtbase_<code>" and, where it exists, "qt_<code>" for one of our languages from Qt's
    // translations folder and installs them into the running application; English needs none. A
    // catalogue that is missing leaves those texts English, nothing worse.
    explicit QtTranslations(int languageIndex, const QString& folder = defaultFolder());
    // Takes the catalogues out again: Qt's texts are English once more.
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // The files that were loaded and installed, full paths, in order.
    QStringList loadedFiles() const;

    // Qt's own translations folder (Debian's qt6-translations-l10n fills it).
    static QString defaultFolder();

private:
    std::vector<std::unique_ptr<QTranslator>> translators_;
};

} // namespace nimbrel
