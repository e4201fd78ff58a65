// What the user reads in the chosen language beyond our own texts: the compass and the wind direction's
// name, the menus' Alt letters, and Qt's own texts (message box buttons).
#include "app/configuration.h"
#include "app/language_table.h"
#include "station/station_access.h"
#include "station/station_settings.h"
#include "station/usb_library.h"
#include "station/weather_sample.h"
#include "store/history_store.h"
#include "tests/support/stationless_world.h"
#include "tests/support/temp_dir.h"
#include "ui/app_startup.h"
#include "ui/controls/wind_compass.h"
#include "ui/main_frame.h"
#include "ui/mnemonics.h"
#include "ui/qt_translations.h"
#include "ui/weather_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <array>
#include <gtest/gtest.h>

namespace nimbrel {
namespace {

using Quiet = testing::StationlessWorld;

// The letter a label marks with "&", folded to lower case; a null QChar for none. "&&" marks nothing.
QChar markedLetter(const QString& label) {
    for (qsizetype i = 0; i + 1 < label.size(); ++i) {
        if (label[i] != QLatin1Char('&')) continue;
        if (label[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return label[i + 1].toLower();
    }
    return {};
}

// "menu: A in 'Anzeige' and 'Aufzeichnung'" for each letter two entries share, and each entry without one.
QStringList clashes(const QString& where, const QList<QAction*>& actions) {
    QStringList found;
    QHash<QChar, QString> holder;
    for (QAction* action : actions) {
        if (action->isSeparator()) continue;
        const QChar letter = markedLetter(action->text());
        if (letter.isNull()) {
            found << where + QStringLiteral(": no letter in '%1'").arg(action->text());
        } else if (holder.contains(letter)) {
            found << where +
                         QStringLiteral(": %1 in '%2' and '%3'").arg(letter, holder[letter], action->text());
        } else {
            holder.insert(letter, action->text());
        }
    }
    return found;
}

void collectClashes(QMenu* menu, QStringList& found) {
    found << clashes(menu->objectName(), menu->actions());
    for (QAction* action : menu->actions()) {
        if (action->menu() != nullptr) collectClashes(action->menu(), found);
    }
}

TEST(Mnemonics, FirstLetterThenALaterWordThenAnyLetter) {
    EXPECT_EQ(withMnemonics({"ToolBar", "Tools", "Tool tips"}),
              QStringList({"&ToolBar", "T&ools", "Too&l tips"}));
    EXPECT_EQ(withMnemonics({"Barre d'outils", "Barre d'état", "Quitter"}),
              QStringList({"&Barre d'outils", "Barre &d'état", "&Quitter"}));
    // Letters are compared without case, accented capitals too.
    EXPECT_EQ(withMnemonics({"exit", "Extra", "Über Nimbrel", "über"}),
              QStringList({"&exit", "E&xtra", "&Über Nimbrel", "ü&ber"}));
    // A translator's letter wins over an earlier entry's first letter; a marked letter already held
    // by an earlier label is given up and the label chooses again.
    EXPECT_EQ(withMnemonics({"Save", "Load &default value", "&Standard", "&Delete"}),
              QStringList({"S&ave", "Load &default value", "&Standard", "D&elete"}));
    // "&&" is a shown ampersand, never a letter; a lone "&" before no letter is shown too.
    EXPECT_EQ(withMnemonics({"Wind && Rain", "Wind chill", "& more"}),
              QStringList({"&Wind && Rain", "Wind &chill", "&& &more"}));
    // Nothing left to choose: the label goes without.
    EXPECT_EQ(withMnemonics({"A", "a", "...", ""}), QStringList({"&A", "a", "...", ""}));
    // Running again over given letters keeps them (windows that add entries later call it again).
    const QStringList once = withMnemonics({"Anzeige", "System", "Aufzeichnung", "Hilfe", "Alarm"});
    EXPECT_EQ(once, QStringList({"&Anzeige", "&System", "A&ufzeichnung", "&Hilfe", "A&larm"}));
    EXPECT_EQ(withMnemonics(once), once);
}

TEST(Mnemonics, NoMenuOfTheMainWindowSharesALetterInAnyLanguage) {
    const char* names[kLanguageCount] = {"en", "de", "da", "nl", "fr"};
    for (int language = 0; language < kLanguageCount; ++language) {
        Quiet world(language);
        MainFrame frame(world.context());
        QStringList found = clashes(QStringLiteral("menu bar"), frame.menuBar()->actions());
        int menus = 0;
        for (QAction* title : frame.menuBar()->actions()) {
            if (title->menu() == nullptr) continue;
            collectClashes(title->menu(), found);
            ++menus;
        }
        EXPECT_EQ(menus, 4) << names[language]; // Display, System, Record (hidden until it has entries), Help
        EXPECT_TRUE(found.isEmpty()) << names[language] << ": "
                                     << found.join(QStringLiteral("; ")).toStdString();
    }
}

TEST(UserLanguage, WindDirectionIsShownInTheUsersLettersWhileTheReadingKeepsTheStations) {
    Quiet world(danish);
    WeatherView view(world.context());
    auto* compass = qobject_cast<WindCompass*>(view.control(10036));
    ASSERT_NE(compass, nullptr);
    EXPECT_EQ(compass->pointLetters(), (std::array<QString, 4>{"N", "Ø", "S", "V"}));

    WeatherSample reading;
    reading.clear();
    reading[WeatherSample::windDir] = "11";
    reading[WeatherSample::windDirDesc] = "SWW";
    view.showReading(StationSettings{}, reading);
    EXPECT_EQ(view.controlText(10039), QStringLiteral("SVV"));
    EXPECT_EQ(reading[WeatherSample::windDirDesc], "SWW");
    reading[WeatherSample::windDirDesc] = "---";
    view.showReading(StationSettings{}, reading);
    EXPECT_EQ(view.controlText(10039), QStringLiteral("---"));

    Quiet inEnglish(english);
    WeatherView plain(inEnglish.context());
    reading[WeatherSample::windDirDesc] = "NEE";
    plain.showReading(StationSettings{}, reading);
    EXPECT_EQ(plain.controlText(10039), QStringLiteral("NEE"));
}

// The texts of a fresh message box's Yes and Cancel buttons, without their "&".
QString yesAndCancel() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"),
                    QMessageBox::Yes | QMessageBox::Cancel);
    return box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')) + QLatin1Char('|') +
           box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&'));
}

TEST(QtTranslations, MessageBoxButtonsSpeakTheChosenLanguage) {
    // Debian's qt6-translations-l10n, which scripts/install-deps installs, must be there.
    const QString folder = QtTranslations::defaultFolder();
    const char* expected[kLanguageCount] = {"Yes|Cancel", "Ja|Abbrechen", "Ja|Annuller", "Ja|Annuleren",
                                            "Oui|Annuler"};
    const char* codes[kLanguageCount] = {"en", "de", "da", "nl", "fr"};
    for (int language = 0; language < kLanguageCount; ++language) {
        QtTranslations qt(language);
        EXPECT_EQ(yesAndCancel(), QString::fromUtf8(expected[language])) << codes[language];
        if (language == english) {
            EXPECT_TRUE(qt.loadedFiles().isEmpty());
        } else {
            ASSERT_FALSE(qt.loadedFiles().isEmpty()) << codes[language] << " in " << folder.toStdString();
            EXPECT_EQ(qt.loadedFiles().front(),
                      folder + QStringLiteral("/qtbase_%1.qm").arg(codes[language]));
        }
    }
    // Each set is taken out again with its owner.
    EXPECT_EQ(yesAndCancel(), QStringLiteral("Yes|Cancel"));
    // A folder without catalogues leaves Qt English.
    testing::TempDir empty;
    QtTranslations none(german, QString::fromStdString(empty.path().string()));
    EXPECT_TRUE(none.loadedFiles().isEmpty());
    EXPECT_EQ(yesAndCancel(), QStringLiteral("Yes|Cancel"));
}

TEST(QtTranslations, StartUpLoadsTheConfiguredLanguageForAsLongAsItRuns) {
    testing::TempDir folder;
    folder.write("Nimbrel.ini", "[config]\nlanguage=German\n"
                                "[communication]\nUsbLibrary=libnimbrel-sim.so\nSearchData=false\n");
    const std::string dir = "--dir=" + folder.path().string();
    char program[] = "nimbrel";
    char* argv[] = {program, const_cast<char*>(dir.c_str()), nullptr};
    {
        AppStartup startup(
            QStringLiteral("nimbrel-language-test-%1").arg(QCoreApplication::applicationPid()));
        ASSERT_TRUE(startup.start(2, argv));
        EXPECT_EQ(yesAndCancel(), QStringLiteral("Ja|Abbrechen"));
    }
    EXPECT_EQ(yesAndCancel(), QStringLiteral("Yes|Cancel"));
}

} // namespace
} // namespace nimbrel
