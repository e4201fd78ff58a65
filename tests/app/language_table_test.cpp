#include "app/compass_names.h"
#include "app/date_time_formats.h"
#include "app/language_table.h"
#include "presentation/time_text.h"

#include <array>
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace nimbrel {
namespace {

// The English column as the program has always shown it, typing slips included.
const std::array<const char*, kNumberedRowCount> kEnglishRows = {
    "Nimbrel Radio Controlled",
    "Wireless",
    "Receiver",
    "Display",
    "ToolBar",
    "StatusBar",
    "Exit",
    "System",
    "Setup",
    "Alarm",
    "Scope",
    "scope",
    "Record",
    "History",
    "history",
    "Help",
    "About",
    "About Nimbrel",
    "Indoor",
    "Outdoor",
    "Temperature",
    "Indoor Temperature",
    "Outdoor Temperature",
    "Humidity",
    "Indoor Humidity",
    "Outdoor Humidity",
    "Absolute",
    "Relative",
    "Pressure",
    "Absolute Pressure",
    "Relative Pressure",
    "Windchill",
    "Dewpoint",
    "Wind",
    "Gust",
    "Wind Velocity",
    "Gust Velocity",
    "Level",
    "Wind Level",
    "Gust Level",
    "Direction",
    "Rain",
    "Rainfall",
    "Total Rain",
    "Hour Rainfall",
    "24 hour Rainfall",
    "Week Rainfall",
    "Month Rainfall",
    "Total Rainfall",
    "Increment",
    "Last",
    "Language",
    "Language",
    "English",
    "German",
    "Danish",
    "Dutch",
    "French",
    "Italian",
    "Time Zone",
    "Interval",
    "Unit",
    "Velocity",
    "Format",
    "Date",
    "Time",
    "Sample Time",
    "Axis",
    "Week",
    "Total",
    "Low",
    "High",
    "Save",
    "Cancel",
    "Maximum",
    "Minimum",
    "OK",
    "Search",
    "Condition",
    "Start",
    "End",
    "Refresh",
    "Clear",
    "Data",
    "data",
    "Memory",
    "Graph",
    "Export",
    "Line",
    "Bar",
    "HorizBar",
    "Area",
    "Point",
    "FastLine",
    "Arrow",
    "Volume",
    "Bezier",
    "Point3D",
    "Bar3D",
    "Version",
    "Copyright",
    "Software",
    "Update",
    "Device",
    "Weather",
    "circle",
    "Date with year",
    "Date with week",
    "year",
    "Month",
    "Day",
    "Hour",
    "Minute",
    "Second",
    "Enabled",
    "Alarm value",
    "Current value",
    "connected",
    "Not connected",
    "General",
    "Others",
    "Operation",
    "Notify",
    "Operation Notify",
    "Operation Notify",
    "Confirm",
    "Quit",
    "File",
    "Ready",
    "Write",
    "Read",
    "read",
    "Get",
    "Comminucate",
    "Success",
    "Fail",
    "start time",
    "end time",
    "End time earlier than start time!",
    "data source ",
    "Graph Type",
    "Alarm Enable",
    "mm",
    "inch",
    "Read data from",
    "Data has been read.",
    "Compute history rain data",
    "Data has been processed.",
    "Save all data on PC",
    "Last Read Time",
    "Read Records",
    "Total Records",
    "Do you want save?",
    "Do you want to delete selected items?",
    "Do you want to clear all data on PC?",
    "Do you want to clear memory on the device?",
    "Do you want save and restart application?",
    "Do you want to load default value?",
    "Are you sure to reset min/max records on the device?",
    "You need administrator privilege to run this program for the first time!",
    "Please select data!",
    "The device is busy! Please wait for a while.",
    "Can't communicate with device!",
    "Read weather alarm data fail!",
    "Read weather setup data fail!",
    "Read weather scope data fail!",
    "Save weather setup data fail!",
    "Save weather alarm data fail!",
    "Init weather setup data fail!",
    "Reset min/max data fail!"

};

TEST(AppLanguageTable, EveryTextExistsInEveryLanguage) {
    const StringTable& table = builtInStrings();
    EXPECT_TRUE(table.problems.empty()) << table.problems.front();
    for (int row = 0; row < kNumberedRowCount; ++row) {
        EXPECT_EQ(table.cells.count(std::to_string(row)), 1u) << "row " << row << " is missing";
    }
    for (const std::string& key : table.keys) {
        const auto& cells = table.cells.at(key);
        for (int language = 0; language < kLanguageCount; ++language) {
            EXPECT_FALSE(cells[language].empty()) << "key " << key << ", language " << language;
            EXPECT_EQ(cells[language].find('\t'), std::string::npos) << "key " << key;
        }
    }
}

TEST(AppLanguageTable, QuotedRowsReadAsTheProgramShowsThem) {
    const LanguageTable en(english), de(german), da(danish), nl(dutch), fr(french);
    for (int row = 0; row < kNumberedRowCount; ++row)
        EXPECT_EQ(en.text(static_cast<TextRow>(row)), kEnglishRows[row]) << row;

    const auto expectRow = [&](int row, const char* g, const char* d, const char* n, const char* f) {
        EXPECT_EQ(de.text(static_cast<TextRow>(row)), g) << row;
        EXPECT_EQ(da.text(static_cast<TextRow>(row)), d) << row;
        EXPECT_EQ(nl.text(static_cast<TextRow>(row)), n) << row;
        EXPECT_EQ(fr.text(static_cast<TextRow>(row)), f) << row;
    };
    expectRow(1, "Funkgesteuert", "Trådløs", "Draadloos", "Wireless");
    expectRow(53, "Englisch", "Engelsk", "Engels", "Anglais");
    expectRow(54, "Deutsch", "Tysk", "Duits", "Allemand");
    expectRow(55, "Danish", "Danish", "Danish", "Danish");
    expectRow(56, "Niederländisch", "Hollandsk", "Nederlands", "Néerlandais");
    expectRow(57, "Französisch", "Fransk", "Frans", "Français");
    expectRow(156, "Speichern und Programm neu starten?", "Do you want gem and restart application?",
              "Wilt u opslaan en programma opnieuw opstarten?",
              "Do you want garder and restart application?");
    expectRow(161, "The Gerät is busy! Please wait for a while.",
              "The enhed is busy! Please wait for a while.", "The apparaat is busy! Please wait for a while.",
              "The appareil is busy! Please wait for a while.");
    expectRow(162, "Can't communicate with Gerät!", "Can't communicate with enhed!",
              "Communicatie met weerstation niet mogelijk!", "Can't communicate avec appareil!");

    // Row 58 names a language the program does not speak; it still has a text everywhere.
    for (const LanguageTable* table : {&en, &de, &da, &nl, &fr})
        EXPECT_FALSE(table->text(TextRow::italian).empty());
    EXPECT_EQ(en.text(TextRow::italian), "Italian");
}

TEST(AppLanguageTable, CompassSpeaksEachLanguagesOwnPoints) {
    using Letters = std::array<std::string, 4>;
    EXPECT_EQ(compassLetters(LanguageTable(english)), (Letters{"N", "E", "S", "W"}));
    EXPECT_EQ(compassLetters(LanguageTable(german)), (Letters{"N", "O", "S", "W"}));
    EXPECT_EQ(compassLetters(LanguageTable(danish)), (Letters{"N", "Ø", "S", "V"}));
    EXPECT_EQ(compassLetters(LanguageTable(dutch)), (Letters{"N", "O", "Z", "W"}));
    EXPECT_EQ(compassLetters(LanguageTable(french)), (Letters{"N", "E", "S", "O"}));

    // English shows the station's names exactly, its odd "NEE", "SEE", "SWW" and "NWW" included.
    const char* station[16] = {"N", "NNE", "NE", "NEE", "E", "SEE", "SE", "SSE",
                               "S", "SSW", "SW", "SWW", "W", "NWW", "NW", "NNW"};
    for (const char* name : station) EXPECT_EQ(localCompassName(LanguageTable(english), name), name);

    // Other languages build the same names from their own letters.
    const auto expectNames = [](int language, std::array<const char*, 6> names) {
        const LanguageTable texts(language);
        const char* from[6] = {"NNE", "NEE", "SEE", "SSW", "SWW", "NWW"};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(localCompassName(texts, from[i]), names[i]) << language << from[i];
    };
    expectNames(german, {"NNO", "NOO", "SOO", "SSW", "SWW", "NWW"});
    expectNames(danish, {"NNØ", "NØØ", "SØØ", "SSV", "SVV", "NVV"});
    expectNames(dutch, {"NNO", "NOO", "ZOO", "ZZW", "ZWW", "NWW"});
    expectNames(french, {"NNE", "NEE", "SEE", "SSO", "SOO", "NOO"});

    // A missing direction and anything that is not a station name stay as they are.
    const LanguageTable de(german);
    for (const char* other : {"---", "", "NX", "n", "N E"}) EXPECT_EQ(localCompassName(de, other), other);
}

TEST(AppLanguageTable, TranslationsKeepTheirPlaceholders) {
    const StringTable& table = builtInStrings();
    const auto placeholders = [](const std::string& text) {
        std::multiset<std::string> found;
        for (std::size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] == '%') found.insert(text.substr(i, 2)), ++i;
        }
        return found;
    };
    for (const std::string& key : table.keys) {
        const auto& cells = table.cells.at(key);
        for (int language = 1; language < kLanguageCount; ++language) {
            EXPECT_EQ(placeholders(cells[language]), placeholders(cells[english])) << key << " " << language;
        }
    }
}

// The History window's button opens the window that the Record menu names: one word for it in each
// language ("Diagramm" in German, not "Grafik").
TEST(AppLanguageTable, TheHistoryWindowsGraphButtonNamesTheGraphWindow) {
    for (int language = 0; language < kLanguageCount; ++language) {
        const LanguageTable table(language);
        EXPECT_EQ(table.text("history.graph"), table.text(TextRow::graph) + "...") << language;
    }
    EXPECT_EQ(LanguageTable(german).text("history.graph"), "Diagramm...");
}

TEST(AppLanguageTable, UnknownRowsAndKeysGiveEmptyText) {
    const LanguageTable table(german);
    EXPECT_EQ(table.text(static_cast<TextRow>(-1)), "");
    EXPECT_EQ(table.text(static_cast<TextRow>(kNumberedRowCount)), "");
    EXPECT_EQ(table.text("no.such.key"), "");
    for (const int outside : {-1, kLanguageCount, 7})
        EXPECT_EQ(LanguageTable(outside).languageIndex(), english);
}

TEST(AppLanguageTable, PlaceholdersAreFilledInOnePass) {
    EXPECT_EQ(withArguments("%2 before %1, %1 again", {"a", "b"}), "b before a, a again");
    // An argument's own "%2" is not filled again; a placeholder without its argument stays.
    EXPECT_EQ(withArguments("%1%%3 and %", {"x%2", "y"}), "x%2%%3 and %");
    EXPECT_EQ(withArguments("%0 %9.", {"a", "b", "c", "d", "e", "f", "g", "h", "i"}), "%0 i.");
    EXPECT_EQ(withArguments("100%", {}), "100%");
    EXPECT_EQ(LanguageTable(french).text("app.folder_busy", {"/d"}),
              "Un autre programme Nimbrel utilise déjà le dossier de données /d.");
}

TEST(AppLanguageTable, ParserHandlesEscapesLineEndsAndFlawedLines) {
    const StringTable table = parseStringTable("key\ten\tde\tda\tnl\tfr\r\n"
                                               "a\tx\\ty\tline\\nbreak\tback\\\\slash\t\\q\tz\r\n"
                                               "\n"
                                               "b\tonly\ttwo\n"
                                               "a\t1\t2\t3\t4\t5\n");
    ASSERT_EQ(table.keys.size(), 2u);
    const auto& a = table.cells.at("a");
    EXPECT_EQ(a[0], "x\ty");
    EXPECT_EQ(a[1], "line\nbreak");
    EXPECT_EQ(a[2], "back\\slash");
    EXPECT_EQ(a[3], "\\q");
    EXPECT_EQ(a[4], "z");
    EXPECT_EQ(table.cells.at("b")[2], "");
    EXPECT_EQ(table.problems, (std::vector<std::string>{"line 4 (b): 3 columns instead of 6",
                                                         "line 5: key a given twice"}));
}

TEST(AppLanguageTable, LanguageRuleTakesTheFirstThreeLetters) {
    EXPECT_EQ(languageIndexFor("English"), english);
    EXPECT_EQ(languageIndexFor("ENU"), english);
    EXPECT_EQ(languageIndexFor("German"), german);
    EXPECT_EQ(languageIndexFor("germany"), german);
    EXPECT_EQ(languageIndexFor("Deutsch"), german);
    EXPECT_EQ(languageIndexFor("deutsch"), german);
    EXPECT_EQ(languageIndexFor("dansk"), danish);
    EXPECT_EQ(languageIndexFor("DUTCH"), dutch);
    EXPECT_EQ(languageIndexFor("nld"), dutch);
    EXPECT_EQ(languageIndexFor("Nederlands"), english);
    EXPECT_EQ(languageIndexFor("French"), french);
    EXPECT_EQ(languageIndexFor("Français"), french);
    EXPECT_EQ(languageIndexFor("francais"), french);
    EXPECT_EQ(languageIndexFor("Italian"), english);
    EXPECT_EQ(languageIndexFor(""), english);
    EXPECT_EQ(languageIndexFor("Ge"), english);
}

TEST(AppLanguageTable, ResourceIdsAndFormatTables) {
    EXPECT_EQ(resourceIdFor(LocalisedWindow::menuAndToolbar, danish), 298);
    EXPECT_EQ(resourceIdFor(LocalisedWindow::setup, german), 298);
    EXPECT_EQ(resourceIdFor(LocalisedWindow::mainForm, french), 334);
    EXPECT_EQ(resourceIdFor(LocalisedWindow::exportGridData, english), 207);
    EXPECT_EQ(resourceIdFor(LocalisedWindow::historyData, dutch), 327);
    EXPECT_EQ(LanguageTable(german).resourceId(LocalisedWindow::graph), 310);
    EXPECT_EQ(resourceIdFor(LocalisedWindow::alarm, 9), 288);

    EXPECT_STREQ(dateTextPattern(2), "%d-%m-%Y");
    EXPECT_STREQ(clockTextPattern(1), "%I:%M%p");
    EXPECT_STREQ(pickerDateFormat(1), "MM-dd-yyy");
    EXPECT_STREQ(pickerTimeFormat(1), "hh:mm:sstt");
    EXPECT_STREQ(chartDateFormat(0), "yyyy-mm-dd");
    EXPECT_STREQ(chartTimeFormat(axisClockIndexFor(0)), "hh:nn:ssAM/PM");
    EXPECT_STREQ(chartTimeFormat(axisClockIndexFor(1)), "hh:nn:ss");
    EXPECT_STREQ(dateTextPattern(3), "%Y-%m-%d"); // a station value outside the table
    EXPECT_STREQ(clockTextPattern(-1), "%H:%M");
}

} // namespace
} // namespace nimbrel
