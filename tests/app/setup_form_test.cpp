// The Setup window's form without a window, over an emulated station: ranges at their edges, every
// failing read and write on its own, the threshold rewrite of a unit change, the relative pressure,
// and the station's values a save must keep.
#include "app/language_table.h"
#include "app/setup_form.h"
#include "presentation/decimal_text.h"
#include "station/station_access.h"
#include "tests/support/test_station.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace nimbrel {
namespace {


// A station in hPa, °C, m/s and mm, time zone +1, interval 5, with pressures and some thresholds.
struct Station : testing::TestStation {
    Station() {
        auto& m = memory();
        m[0x00] = 0x55, m[0x01] = 0xAA, m[0x10] = 5, m[0x11] = 0x20, m[0x12] = 0x01, m[0x13] = 0x20;
        m[0x14] = 0x09, m[0x18] = 0x01;
        setU16(0x20, 10132); // relative pressure, 1013.2 hPa
        setU16(0x22, 10000); // absolute pressure
        setU16(0x32, 250);   // indoor temperature high 25.0 °C
        setU16(0x4A, 9800);  // relative pressure low 980.0 hPa
        setU16(0x53, 254);   // hour rain high 25.4 mm
        connect();
    }
    std::uint8_t byte(unsigned a) { return memory()[a]; }
    std::vector<std::uint8_t> area() { return {memory().begin(), memory().begin() + 0x60}; }
};

struct Fixture : ::testing::Test {
    Station station;
    LanguageTable texts{english};
    SetupForm form{*station.access, station.clock, texts};

    void open() { ASSERT_TRUE(form.open().done); }
    void selectText(int control, const std::string& text) {
        const auto list = form.choices(control);
        const auto it = std::find(list.begin(), list.end(), text);
        ASSERT_NE(it, list.end()) << text;
        form.select(control, static_cast<int>(it - list.begin()));
    }
};

using SetupFormTest = Fixture;

TEST_F(SetupFormTest, OpeningShowsTheStationsSettings) {
    station.usb.memory()[0x16] = 0x01; // wind speed high alarm on
    station.usb.memory()[0x17] = 0x80; // dewpoint high alarm on
    open();
    EXPECT_TRUE(form.dataRead());
    EXPECT_EQ(form.shownValue(SetupForm::kTimeZone), "+1");
    EXPECT_EQ(form.shownValue(SetupForm::kInterval), "5 Minute");
    EXPECT_EQ(form.shownValue(SetupForm::kIndoorUnit), "°C");
    EXPECT_EQ(form.shownValue(SetupForm::kPressureUnit), "Hpa");
    EXPECT_EQ(form.shownValue(SetupForm::kRainDisplay), "Hour");
    EXPECT_EQ(form.shownValue(SetupForm::kRelativePressure), "1013.2 Hpa");
    EXPECT_EQ(form.shownValue(SetupForm::kAbsolutePressure), "1000.0 Hpa");
    EXPECT_EQ(form.text(SetupForm::kRelativeHpa), "1013.2");
    EXPECT_EQ(form.text(SetupForm::kAbsoluteHpa), "1000.0");
    EXPECT_TRUE(form.checked(1154));
    EXPECT_TRUE(form.checked(1192));
    EXPECT_FALSE(form.checked(1155));
    form.select(1155, 2); // any entry but the first ticks a box
    form.select(1154, 0);
    EXPECT_TRUE(form.checked(1155));
    EXPECT_FALSE(form.checked(1154));
    EXPECT_FALSE(station.access->busy().isBusy());
}

// The 22 boxes take the flags in the order both are listed: first, a middle and last box of
// each byte, written to the bits the station reads them from.
TEST_F(SetupFormTest, AlarmBoxesWriteTheirOwnFlagBits) {
    open();
    for (int box : {1139, 1153, 1154, 1180, 1184, 1192}) form.setChecked(box, true);
    ASSERT_TRUE(form.save().done);
    EXPECT_EQ(station.byte(0x15), 0x02 | 0x80); // time bit 1, outdoor humidity high bit 7
    EXPECT_EQ(station.byte(0x16), 0x01 | 0x80); // wind bit 0, relative pressure high bit 7
    EXPECT_EQ(station.byte(0x17), 0x01 | 0x80); // indoor temperature low bit 0, dewpoint high bit 7
    EXPECT_EQ(SetupForm::field(1186)->name, "Alarm enable Indoor Temperature High");
    EXPECT_EQ(SetupForm::field(1149)->name, "Alarm enable Wind Direct");
}

TEST_F(SetupFormTest, FailedOpeningLeavesNothingToSave) {
    station.failReadsAt = {0x00};
    EXPECT_EQ(form.open().message, "Read weather setup data fail!");
    EXPECT_FALSE(form.dataRead());
    const auto before = station.area();
    station.failReadsAt.clear();
    EXPECT_EQ(form.save().message, "Read weather setup data fail!");
    EXPECT_EQ(station.area(), before);

    SetupForm second(*station.access, station.clock, texts);
    station.failReadsAt = {0x20};
    EXPECT_EQ(second.open().message, "Read weather alarm data fail!");
    EXPECT_FALSE(second.dataRead());
    // Both areas unreadable: both are tried, and each failure is told.
    station.failReadsAt = {0x00, 0x20};
    EXPECT_EQ(second.open().message, "Read weather setup data fail!\nRead weather alarm data fail!");
    EXPECT_FALSE(second.dataRead());

    SetupForm third(*station.access, station.clock, texts);
    station.failReadsAt.clear();
    ASSERT_TRUE(station.access->busy().tryTake());
    const auto waited = station.clock.totalSlept();
    EXPECT_EQ(third.open().message, "Can't communicate with device!");
    EXPECT_EQ(station.clock.totalSlept() - waited, std::chrono::milliseconds(3000));
    EXPECT_FALSE(third.dataRead());
    station.access->busy().release();
}

TEST_F(SetupFormTest, IntervalIsAWholeNumberFromFiveTo240) {
    open();
    const std::string prompt = "Please enter an integer between 5 and 240.";
    for (const char* ok : {"5", "240", " 60 "}) {
        form.setText(SetupForm::kInterval, ok);
        EXPECT_TRUE(form.validate().done) << ok;
    }
    for (const char* bad : {"4", "241", "", "5.5", "12a"}) {
        form.setText(SetupForm::kInterval, bad);
        const FormOutcome problem = form.validate();
        ASSERT_FALSE(problem.done) << bad;
        EXPECT_EQ(problem.message, prompt);
        EXPECT_EQ(problem.focusControl, SetupForm::kInterval);
    }
}

// The bounds are printed with %g and the very bound printed is taken.
TEST_F(SetupFormTest, RelativePressureRangeAtItsPrintedBounds) {
    open();
    auto refused = [&](const char* typed) {
        form.setText(SetupForm::kRelativePressure, typed);
        return !form.validate().done;
    };
    EXPECT_FALSE(refused("300"));
    EXPECT_TRUE(refused("299.9"));
    EXPECT_FALSE(refused("1500"));
    EXPECT_TRUE(refused("1500.1"));
    EXPECT_TRUE(refused("abc"));
    EXPECT_EQ(form.validate().message, "Please enter a number between 300 and 1500.");

    // Opened in inHg: 300 and 1500 hPa are 8.859 and 44.295 inHg.
    station.usb.memory()[0x11] = 0x40;
    SetupForm inHg(*station.access, station.clock, texts);
    ASSERT_TRUE(inHg.open().done);
    inHg.setText(SetupForm::kRelativePressure, "44.295");
    EXPECT_TRUE(inHg.validate().done);
    inHg.setText(SetupForm::kRelativePressure, "8.859");
    EXPECT_TRUE(inHg.validate().done);
    inHg.setText(SetupForm::kRelativePressure, "44.296");
    ASSERT_FALSE(inHg.validate().done);
    EXPECT_EQ(inHg.validate().message, "Please enter a number between 8.859 and 44.295.");
    EXPECT_EQ(inHg.validate().focusControl, SetupForm::kRelativePressure);

    // After a change of unit the range is 500 to 1100 hPa: 375 to 825 mmHg.
    selectText(SetupForm::kPressureUnit, "mmHg");
    form.setText(SetupForm::kRelativePressure, "825");
    EXPECT_TRUE(form.validate().done);
    form.setText(SetupForm::kRelativePressure, "825.1");
    EXPECT_EQ(form.validate().message, "Please enter a number between 375 and 825.");
    form.setText(SetupForm::kRelativePressure, "374.9");
    EXPECT_FALSE(form.validate().done);
}

TEST_F(SetupFormTest, UnitChangesRewriteTheThresholds) {
    station.setU16(0x34, 0xFFFF); // indoor low: no value (-32767)
    station.setU16(0x48, 0);      // relative pressure high: no value
    open();
    selectText(SetupForm::kIndoorUnit, "°F");
    selectText(SetupForm::kPressureUnit, "inHg");
    selectText(SetupForm::kRainUnit, "inch");
    ASSERT_TRUE(form.save().done);
    EXPECT_EQ(station.byte(0x11), 0x01 | 0x04 | 0x40);
    EXPECT_EQ(station.u16(0x32), 770u);    // 25.0 °C is 77.0 °F
    EXPECT_EQ(station.u16(0x4A), 2894u);   // 980.0 hPa is 28.94 inHg
    EXPECT_EQ(station.u16(0x53), 100u);    // 25.4 mm is 1.00 inch
    EXPECT_EQ(station.u16(0x34), 0xFFFFu); // "---" stays as it was
    EXPECT_EQ(station.u16(0x48), 0u);
    // The current pressures are the station's, untouched.
    EXPECT_EQ(station.u16(0x20), 10132u);
    EXPECT_EQ(station.u16(0x22), 10000u);
    EXPECT_EQ(station.byte(0x1A), 0xAA);
}

TEST_F(SetupFormTest, SpecExamplePressureAndBackAgain) {
    station.setU16(0x44, 10132); // absolute pressure high 1013.2 hPa
    open();
    selectText(SetupForm::kPressureUnit, "inHg");
    ASSERT_TRUE(form.save().done);
    EXPECT_EQ(station.u16(0x44), 2992u); // 29.92 inHg

    SetupForm back(*station.access, station.clock, texts);
    ASSERT_TRUE(back.open().done);
    back.select(SetupForm::kPressureUnit, 0); // Hpa
    ASSERT_TRUE(back.save().done);
    EXPECT_EQ(station.u16(0x44), 10132u); // 29.92 × 33.864 = 1013.2
}

TEST_F(SetupFormTest, AThresholdTooLargeForItsFieldRefusesTheSave) {
    station.usb.memory()[0x11] = 0x20 | 0x04; // rain in inches
    station.setU16(0x55, 65535);              // 24-hour rain high 655.35 inch
    open();
    selectText(SetupForm::kRainUnit, "mm");
    const auto before = station.area();
    const FormOutcome outcome = form.save();
    EXPECT_FALSE(outcome.done);
    EXPECT_TRUE(outcome.refused());
    EXPECT_EQ(outcome.focusControl, SetupForm::kRainUnit);
    EXPECT_NE(outcome.message.find("24 hour Rainfall High"), std::string::npos) << outcome.message;
    EXPECT_EQ(station.area(), before);
    EXPECT_FALSE(station.access->busy().isBusy());

    // 6553.5 mm is just short of 65536 tenths: it still fits.
    station.setU16(0x55, 25801); // 258.01 inch = 6553.454 mm
    ASSERT_TRUE(form.save().done);
    EXPECT_EQ(station.u16(0x55), 65535u);
}

// Someone changed the station to °F after the window opened: the thresholds are converted from
// the units the station holds when the save reads it afresh.
TEST_F(SetupFormTest, OldUnitsComeFromTheFreshRead) {
    open(); // °C, threshold 250
    station.usb.memory()[0x11] = 0x21;
    station.setU16(0x32, 770);
    ASSERT_TRUE(form.save().done); // the window still says °C
    EXPECT_EQ(station.byte(0x11) & 0x01, 0);
    EXPECT_EQ(station.u16(0x32), 250u);
}

TEST_F(SetupFormTest, EachFailingStepOfASave) {
    open();
    selectText(SetupForm::kIndoorUnit, "°F");
    const auto before = station.area();
    struct Case {
        std::set<unsigned> reads;
        unsigned refusedWrite;
        const char* message;
    };
    for (const Case& c : {Case{{0x00}, 0xFFFF, "Read weather setup data fail!"},
                          Case{{0x20}, 0xFFFF, "Read weather alarm data fail!"},
                          Case{{}, 0x00, "Save weather setup data fail!"}}) {
        station.failReadsAt = c.reads;
        station.refuseWrite = [&](unsigned a) { return a == c.refusedWrite; };
        const FormOutcome outcome = form.save();
        EXPECT_FALSE(outcome.done);
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_EQ(station.area(), before) << c.message;
        EXPECT_FALSE(station.access->busy().isBusy());
    }
    station.failReadsAt.clear();
    station.refuseWrite = nullptr;
    ASSERT_TRUE(station.access->busy().tryTake());
    EXPECT_EQ(form.save().message, "Can't communicate with device!");
    station.access->busy().release();
    EXPECT_EQ(station.area(), before);
}

// Each station byte a save changed, "address:before>after ", in address order.
std::string listed(const std::vector<ByteChange>& changes) {
    std::string out;
    for (const ByteChange& c : changes) {
        char line[16];
        std::snprintf(line, sizeof line, "%02X:%02X>%02X ", c.address, c.before, c.after);
        out += line;
    }
    return out;
}

TEST_F(SetupFormTest, ASaveListsTheBytesItChanged) {
    open();
    form.setText(SetupForm::kInterval, "10");
    selectText(SetupForm::kIndoorUnit, "°F");
    const FormOutcome saved = form.save();
    ASSERT_TRUE(saved.done);
    // Interval, unit, update flag; indoor high 25.0 °C -> 77.0 °F (770), indoor low 0.0 °C -> 32.0 °F (320).
    EXPECT_EQ(listed(saved.changes), "10:05>0A 11:20>21 1A:00>AA 32:FA>02 33:00>03 34:00>40 35:00>01 ");
}

TEST_F(SetupFormTest, RefusedAlarmWritePutsTheSettingsBack) {
    open();
    selectText(SetupForm::kIndoorUnit, "°F");
    selectText(SetupForm::kPressureUnit, "inHg");
    const auto before = station.area();
    station.refuseWrite = [](unsigned a) { return a == 0x20; };
    const FormOutcome outcome = form.save();
    EXPECT_EQ(outcome.message, "Save weather alarm data fail!");
    EXPECT_EQ(listed(outcome.changes), "1A:00>AA ");
    EXPECT_EQ(station.byte(0x11), 0x20); // °C again, as the thresholds
    EXPECT_EQ(station.u16(0x32), 250u);
    const auto after = station.area();
    EXPECT_EQ(std::vector<std::uint8_t>(after.begin() + 0x20, after.end()),
              std::vector<std::uint8_t>(before.begin() + 0x20, before.end()));
}

// Alarm block and the settings' write-back both refused: the station says °F over thresholds in
// °C. The retry converts from °C, the units the thresholds are really in.
TEST_F(SetupFormTest, RetryAfterAFailedWriteBackConvertsFromTheThresholdsUnits) {
    open();
    selectText(SetupForm::kIndoorUnit, "°F");
    int settingsWrites = 0;
    station.refuseWrite = [&](unsigned a) { return a == 0x20 || (a == 0x00 && ++settingsWrites > 1); };
    const FormOutcome first = form.save();
    EXPECT_FALSE(first.done);
    EXPECT_EQ(first.message, texts.text("setup.units_not_restored"));
    EXPECT_EQ(station.byte(0x11), 0x21);
    EXPECT_EQ(station.u16(0x32), 250u);

    station.refuseWrite = nullptr;
    ASSERT_TRUE(form.save().done);
    EXPECT_EQ(station.byte(0x11), 0x21);
    EXPECT_EQ(station.u16(0x32), 770u);
    ASSERT_TRUE(form.save().done); // once saved, the thresholds are in °F: nothing more to convert
    EXPECT_EQ(station.u16(0x32), 770u);
}

// Left in inHg and inches over thresholds in hPa and mm, then a refused alarm write: put back in hPa and
// mm, the thresholds' units.
TEST_F(SetupFormTest, AStrandedStationIsPutBackInTheThresholdsUnits) {
    open();
    selectText(SetupForm::kPressureUnit, "inHg");
    selectText(SetupForm::kRainUnit, "inch");
    int settingsWrites = 0;
    station.refuseWrite = [&](unsigned a) { return a == 0x20 || (a == 0x00 && ++settingsWrites > 1); };
    EXPECT_FALSE(form.save().done);
    EXPECT_NE(station.byte(0x11), 0x20);
    station.refuseWrite = [](unsigned a) { return a == 0x20; };
    EXPECT_EQ(form.save().message, "Save weather alarm data fail!");
    EXPECT_EQ(station.byte(0x11), 0x20);
}

TEST_F(SetupFormTest, RelativePressureIsWrittenOnlyWhenTyped) {
    station.usb.memory()[0x11] = 0x80; // mmHg
    open();
    EXPECT_EQ(form.text(SetupForm::kRelativePressure), "759.9");
    // Passing through the box changes nothing (759.9 mmHg would be written back as 1013.1 hPa).
    form.setText(SetupForm::kRelativePressure, "759.9");
    ASSERT_TRUE(form.save().done);
    EXPECT_EQ(station.u16(0x20), 10132u);
    EXPECT_EQ(station.u16(0x22), 10000u);

    // Nor does a unit change there and back.
    SetupForm roundTrip(*station.access, station.clock, texts);
    ASSERT_TRUE(roundTrip.open().done);
    roundTrip.select(SetupForm::kPressureUnit, 1);
    roundTrip.select(SetupForm::kPressureUnit, 2);
    EXPECT_EQ(roundTrip.text(SetupForm::kRelativePressure), "760.0");
    ASSERT_TRUE(roundTrip.save().done);
    EXPECT_EQ(station.u16(0x20), 10132u);

    SetupForm typed(*station.access, station.clock, texts);
    ASSERT_TRUE(typed.open().done);
    typed.select(SetupForm::kPressureUnit, 0);
    typed.setText(SetupForm::kRelativePressure, "1020.5");
    ASSERT_TRUE(typed.validate().done);
    ASSERT_TRUE(typed.save().done);
    EXPECT_EQ(station.u16(0x20), 10205u);
    EXPECT_EQ(station.u16(0x22), 10000u);

    SetupForm inHg(*station.access, station.clock, texts);
    ASSERT_TRUE(inHg.open().done);
    inHg.select(SetupForm::kPressureUnit, 1);
    inHg.setText(SetupForm::kRelativePressure, "30.00"); // 1015.92 hPa
    ASSERT_TRUE(inHg.save().done);
    EXPECT_EQ(station.u16(0x20), 10159u);

    // Opened again after changes at the console, the form has forgotten what was typed before.
    station.usb.memory()[0x11] = 0x80; // mmHg
    station.setU16(0x20, 10132);
    ASSERT_TRUE(inHg.open().done);
    ASSERT_TRUE(inHg.save().done);
    EXPECT_EQ(station.u16(0x20), 10132u);
}

TEST_F(SetupFormTest, ListValuesNoEntryShowsAreKept) {
    station.usb.memory()[0x18] = 0x13; // +13: no entry of the list
    station.usb.memory()[0x12] = 0x00; // no wind unit bit
    open();
    EXPECT_EQ(form.selection(SetupForm::kTimeZone), -1);
    EXPECT_EQ(form.shownValue(SetupForm::kTimeZone), "+13");
    EXPECT_EQ(form.selection(SetupForm::kWindUnit), -1);
    ASSERT_TRUE(form.save().done);
    EXPECT_EQ(station.byte(0x18), 0x13);
    EXPECT_EQ(station.byte(0x12), 0x00);

    selectText(SetupForm::kTimeZone, "-12");
    selectText(SetupForm::kWindUnit, "bft");
    ASSERT_TRUE(form.save().done);
    EXPECT_EQ(station.byte(0x18), 0x92);
    EXPECT_EQ(station.byte(0x12), 0x10);
}

TEST_F(SetupFormTest, DefaultAsksTheStationUnderTheBusyFlag) {
    ASSERT_TRUE(station.access->busy().tryTake());
    EXPECT_EQ(form.loadDefaults().message, "Can't communicate with device!");
    EXPECT_EQ(station.byte(0x1A), 0x00);
    station.access->busy().release();
    station.refuseWrite = [](unsigned) { return true; };
    EXPECT_EQ(form.loadDefaults().message, "Init weather setup data fail!");
    EXPECT_FALSE(station.access->busy().isBusy());
    station.refuseWrite = nullptr;
    EXPECT_TRUE(form.loadDefaults().done);
    EXPECT_EQ(station.byte(0x1A), 0x55);
}

TEST(SetupFormTexts, CaptionsAndNamesAgreeInEveryLanguage) {
    // The English caption of each box is the name the command line knows it by.
    const LanguageTable english(nimbrel::english);
    for (int box : SetupForm::alarmEnableControls()) {
        const std::string caption = english.text("setup.box." + std::to_string(box));
        EXPECT_EQ("Alarm enable " + caption, SetupForm::field(box)->name);
    }
    const LanguageTable german(nimbrel::german);
    EXPECT_EQ(boundText(44.295f), "44.295");
    EXPECT_EQ(boundText(1500.0f), "1500");
    EXPECT_EQ(german.text("setup.prompt.integer", {"5", "240"}),
              "Bitte geben Sie eine ganze Zahl zwischen 5 und 240 ein.");
}

} // namespace
} // namespace nimbrel
