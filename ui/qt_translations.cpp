#include "ui/qt_translations.h"

#include "app/language_table.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace nimbrel {

namespace {

// Qt names its catalogues by language code, in the order of our language indexes.
const char* const kCodes[kLanguageCount] = {"en", "de", "da", "nl", "fr"};

} // namespace

QString QtTranslations::defaultFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QtTranslations::QtTranslations(int languageIndex, const QString& folder) {
    if (languageIndex <= english || languageIndex >= kLanguageCount) return;
    const QString code = QString::fromLatin1(kCodes[languageIndex]);
    // qtbase holds the message box, file dialog and edit menu texts; qt_ is the catalogue that pulls
    // in the other Qt modules' texts too, where the system has it.
    for (const QString& base : {QStringLiteral("qtbase_"), QStringLiteral("qt_")}) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(base + code, folder)) continue;
        QCoreApplication::installTranslator(translator.get());
        translators_.push_back(std::move(translator));
    }
}

QtTranslations::~QtTranslations() {
    for (const auto& translator : translators_) QCoreApplication::removeTranslator(translator.get());
}

QStringList QtTranslations::loadedFiles() const {
    QStringList files;
    for (const auto& translator : translators_) files << translator->filePath();
    return files;
}

} // namespace nimbrel
