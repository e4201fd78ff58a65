// The Alarm window's form without a window: what it reads, refuses and writes, over a scripted station.
#include "app/alarm_form.h"

#include "app/language_table.h"
#include "tests/support/test_station.h"

#include <gtest/gtest.h>

namespace nimbrel::testing {
namespace {

// Unit byte 0x11: bit 0 indoor °F, bit 1 outdoor °F, bit 2 inch, bits 5/6/7 hPa/inHg/mmHg.
// Wind byte 0x12: bits 0..4 m/s, km/h, knot, mph, bft.
constexpr std::uint8_t kHpa = 0x20, kInHg = 0x40, kIndoorF = 0x01, kInch = 0x04;
constexpr std::uint8_t kMs = 0x01, kKnot = 0x04;

class AlarmFormTest : public ::testing::Test {
protected:
    AlarmFormTest() {
        setUnits(kHpa, kMs);
        auto& m = station.memory();
        m[0x1A] = 0x00;
        m[0x20] = 0x94, m[0x21] = 0x27; // current relative pressure 1013.2 hPa
        m[0x30] = 65, m[0x31] = 35;     // indoor humidity high, low
        m[0x32] = 0xFA, m[0x33] = 0x00; // indoor temperature high 25.0
        m[0x36] = 70, m[0x37] = 30;     // outdoor humidity high, low
        m[0x4C] = 3;                    // wind level
        m[0x4D] = 54, m[0x4E] = 0;      // wind 5.4
        m[0x52] = 4;                    // direction E
        m[0x57] = 0x13, m[0x58] = 0x30; // time alarm 13:30
        m[0x59] = 0x5A;                 // reserved, must survive a save
        station.connect();
    }
    void setUnits(std::uint8_t unitByte, std::uint8_t windByte) {
        station.memory()[0x11] = unitByte;
        station.memory()[0x12] = windByte;
    }
    FormOutcome open() { return form.load(*station.access, station.clock); }
    FormOutcome save() { return form.save(*station.access, station.clock); }
    // Write frames (32-byte and byte writes) sent since the last clear.
    std::size_t writes() const {
        std::size_t n = 0;
        for (const auto& f : station.usb.frames()) n += f[0] != 'R';
        return n;
    }
    void expectRefused(int control, const std::string& text, const std::string& prompt) {
        const std::string before = form.text(control);
        form.edit(control, text);
        const FormOutcome o = form.validate();
        EXPECT_FALSE(o.done) << text;
        EXPECT_EQ(o.focusControl, control) << text;
        EXPECT_EQ(o.message, prompt) << text;
        form.edit(control, before);
    }
    void expectAccepted(int control, const std::string& text) {
        const std::string before = form.text(control);
        form.edit(control, text);
        const FormOutcome o = form.validate();
        EXPECT_TRUE(o.done) << text << ": " << o.message;
        form.edit(control, before);
    }

    TestStation station;
    LanguageTable texts{english};
    AlarmForm form{texts};
};

TEST_F(AlarmFormTest, OpensWithTheStationsTextsAndUnits) {
    ASSERT_TRUE(open().done);
    EXPECT_EQ(form.text(1005), "65");
    EXPECT_EQ(form.text(1003), "25.0");
    EXPECT_EQ(form.text(1017), "5.4");
    EXPECT_EQ(form.text(1016), "3");
    EXPECT_EQ(form.text(1027), "13");
    EXPECT_EQ(form.text(1022), "30");
    EXPECT_EQ(form.directionIndex(), 2);
    EXPECT_EQ(form.text(1030), "E");
    EXPECT_EQ(form.unitLabel(1005), "%");
    EXPECT_EQ(form.unitLabel(1003), "°C");
    EXPECT_EQ(form.unitLabel(1023), "Hpa");
    EXPECT_EQ(form.unitLabel(1016), "bft");
    EXPECT_EQ(form.unitLabel(1027), "");
    EXPECT_EQ(form.displayName(1019), "Rain High Hour");
    EXPECT_EQ(form.displayName(1026), "Gust Level");
    EXPECT_FALSE(station.access->busy().isBusy());
}

TEST_F(AlarmFormTest, SaveScalesEachQuantityInItsOwnUnit) {
    setUnits(kIndoorF | kInHg, kMs); // inHg pressure, but rain stays in mm
    ASSERT_TRUE(open().done);
    form.edit(1003, "70.7");  // °F: 707
    form.edit(1007, "21.5");  // °C: 215
    form.edit(1023, "29.92"); // inHg: hundredths
    form.edit(1019, "12.5");  // mm: tenths, not hundredths
    form.edit(1027, "7");     // hour: two BCD digits
    const FormOutcome o = save();
    ASSERT_TRUE(o.done) << o.message;
    const auto& m = station.memory();
    EXPECT_EQ(m[0x32], 0xC3);
    EXPECT_EQ(m[0x33], 0x02);
    EXPECT_EQ(m[0x38], 0xD7);
    EXPECT_EQ(m[0x39], 0x00);
    EXPECT_EQ(m[0x44], 0xB0);
    EXPECT_EQ(m[0x45], 0x0B);
    EXPECT_EQ(m[0x53], 125);
    EXPECT_EQ(m[0x54], 0);
    EXPECT_EQ(m[0x57], 0x07);
    EXPECT_EQ(m[0x1A], 0xAA);
    // What the window does not edit goes back as the station holds it.
    EXPECT_EQ(m[0x20], 0x94);
    EXPECT_EQ(m[0x21], 0x27);
    EXPECT_EQ(m[0x59], 0x5A);
    EXPECT_EQ(m[0x52], 4);
    const std::vector<std::pair<unsigned, std::pair<int, int>>> expected = {
        {0x1A, {0x00, 0xAA}}, {0x32, {0xFA, 0xC3}}, {0x33, {0x00, 0x02}}, {0x38, {0x00, 0xD7}},
        {0x44, {0x00, 0xB0}}, {0x45, {0x00, 0x0B}}, {0x53, {0x00, 125}},  {0x57, {0x13, 0x07}}};
    ASSERT_EQ(o.changes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(o.changes[i].address, expected[i].first);
        EXPECT_EQ(o.changes[i].before, expected[i].second.first);
        EXPECT_EQ(o.changes[i].after, expected[i].second.second);
    }
}

TEST_F(AlarmFormTest, HpaAndInchesScaleAsTheirOwnUnitSays) {
    setUnits(kHpa | kInch, kMs);
    ASSERT_TRUE(open().done);
    form.edit(1011, "1013.2"); // hPa: tenths
    form.edit(1020, "1.25");   // inch: hundredths
    ASSERT_TRUE(save().done);
    EXPECT_EQ(station.memory()[0x48], 0x94);
    EXPECT_EQ(station.memory()[0x49], 0x27);
    EXPECT_EQ(station.memory()[0x55], 125);
}

TEST_F(AlarmFormTest, RangesAcceptTheirPrintedBoundsAndRefuseOneStepPast) {
    setUnits(kIndoorF | kInHg | kInch, kKnot);
    ASSERT_TRUE(open().done);
    const std::string humidity = "Please enter an integer between 1 and 99.";
    expectRefused(1005, "0", humidity);
    expectAccepted(1005, "1");
    expectAccepted(1005, "99");
    expectRefused(1006, "100", humidity);
    expectRefused(1005, "1.5", "Please enter an integer.");
    expectRefused(1027, "24", "Please enter an integer between 0 and 23.");
    expectAccepted(1027, "23");
    expectRefused(1022, "60", "Please enter an integer between 0 and 59.");
    expectAccepted(1022, "59");
    expectRefused(1016, "13", "Please enter an integer between 0 and 12.");
    expectAccepted(1016, "12");

    // The bounds the prompts print are themselves accepted (single-precision 97.14 is 97.1399...).
    const std::string knots = "Please enter a number between 0 and 97.14.";
    expectAccepted(1017, "97.14");
    expectRefused(1017, "97.15", knots);
    expectAccepted(1018, "0");
    expectRefused(1018, "-0.1", knots);
    const std::string inches = "Please enter a number between 0 and 39.37.";
    expectAccepted(1019, "39.37");
    expectRefused(1020, "39.38", inches);
    const std::string fahrenheit = "Please enter a number between -40 and 140.";
    expectAccepted(1003, "140");
    expectAccepted(1004, "-40");
    expectRefused(1003, "140.1", fahrenheit);
    expectRefused(1004, "-40.1", fahrenheit);
    const std::string celsius = "Please enter a number between -40 and 60.";
    expectRefused(1013, "60.1", celsius);
    const std::string inHg = "Please enter a number between 14.765 and 32.483.";
    expectAccepted(1023, "32.483");
    expectAccepted(1025, "14.765");
    expectRefused(1011, "32.484", inHg);
    expectRefused(1021, "14.764", inHg);
    expectRefused(1007, "abc", "Please enter a number.");
    expectRefused(1007, "21,5", "Please enter a number.");
    expectRefused(1007, "", "Please enter a number.");
}

TEST_F(AlarmFormTest, PromptsSpeakTheConfiguredLanguage) {
    LanguageTable german{LanguageIndex::german};
    AlarmForm form{german};
    ASSERT_TRUE(form.load(*station.access, station.clock).done);
    form.edit(1009, "0");
    EXPECT_EQ(form.validate().message, "Bitte geben Sie eine ganze Zahl zwischen 1 und 99 ein.");
    EXPECT_EQ(form.directionEntries()[1], "NO");
    EXPECT_EQ(form.directionIndexOf("no"), 1);
    EXPECT_EQ(form.directionIndexOf("NE"), 1);
    EXPECT_EQ(form.directionIndexOf("NNE"), -1);
}

TEST_F(AlarmFormTest, MissingValuesAndUnmatchedDirectionsKeepTheStationsBytes) {
    auto& m = station.memory();
    m[0x36] = 0xFF;                 // outdoor humidity high: no value
    m[0x3C] = 0xFF, m[0x3D] = 0xFF; // windchill high: -32767, no value
    m[0x52] = 0xFF;                 // a direction code no entry matches
    ASSERT_TRUE(open().done);
    EXPECT_EQ(form.text(1009), "---");
    EXPECT_EQ(form.text(1014), "---");
    EXPECT_EQ(form.directionIndex(), -1);
    form.edit(1005, "70");
    ASSERT_TRUE(save().done);
    EXPECT_EQ(m[0x30], 70);
    EXPECT_EQ(m[0x36], 0xFF);
    EXPECT_EQ(m[0x3C], 0xFF);
    EXPECT_EQ(m[0x3D], 0xFF);
    EXPECT_EQ(m[0x52], 0xFF);

    // An odd code (NEE) shows as its even neighbour and stays unless another entry is picked.
    m[0x52] = 5;
    ASSERT_TRUE(open().done);
    EXPECT_EQ(form.directionIndex(), 2);
    ASSERT_TRUE(save().done);
    EXPECT_EQ(m[0x52], 5);
    form.selectDirection(5); // SW
    ASSERT_TRUE(save().done);
    EXPECT_EQ(m[0x52], 10);
}

TEST_F(AlarmFormTest, SpeedAndLevelBoxesFollowEachOther) {
    ASSERT_TRUE(open().done);
    EXPECT_EQ(form.leave(1017), 0); // not edited: nothing follows
    form.edit(1017, "5.5");
    EXPECT_EQ(form.leave(1017), 1016);
    EXPECT_EQ(form.text(1016), "4");
    form.edit(1016, "4");
    EXPECT_EQ(form.leave(1016), 1017);
    EXPECT_EQ(form.text(1017), "7.9");
    EXPECT_EQ(form.leave(1016), 0); // left again without a change
    form.edit(1018, "32.7");
    form.leave(1018);
    EXPECT_EQ(form.text(1026), "12");
    form.edit(1018, "fast");
    EXPECT_EQ(form.leave(1018), 0);
    EXPECT_EQ(form.text(1026), "12");
}

TEST_F(AlarmFormTest, EachFailureEndsWithItsMessageAndTheFlagFree) {
    // Opening while the acquisition thread holds the station.
    ASSERT_TRUE(station.access->busy().tryTake());
    FormOutcome o = open();
    EXPECT_FALSE(o.done);
    EXPECT_EQ(o.message, "Can't communicate with device!");
    EXPECT_FALSE(form.dataRead());
    station.access->busy().release();

    station.failReadsAt = {0x40}; // the alarm area's second half
    o = open();
    EXPECT_EQ(o.message, "Read weather alarm data fail!");
    EXPECT_FALSE(form.dataRead());
    EXPECT_FALSE(station.access->busy().isBusy());
    station.usb.sent.clear();
    EXPECT_FALSE(save().done);
    EXPECT_EQ(writes(), 0u);

    station.failReadsAt = {0x00};
    o = open();
    EXPECT_EQ(o.message, "Read weather setup data fail!");
    EXPECT_FALSE(form.dataRead());

    // Saving while busy, with the fresh read failing, with the write refused.
    station.failReadsAt.clear();
    ASSERT_TRUE(open().done);
    form.edit(1005, "70");
    station.usb.sent.clear();
    ASSERT_TRUE(station.access->busy().tryTake());
    o = save();
    EXPECT_EQ(o.message, "Can't communicate with device!");
    EXPECT_EQ(writes(), 0u);
    station.access->busy().release();

    station.failReadsAt = {0x20};
    o = save();
    EXPECT_EQ(o.message, "Read weather alarm data fail!");
    EXPECT_EQ(writes(), 0u);
    EXPECT_EQ(station.memory()[0x30], 65);
    EXPECT_FALSE(station.access->busy().isBusy());

    station.failReadsAt.clear();
    station.usb.refuseAck(station.usb.acksGiven());
    o = save();
    EXPECT_EQ(o.message, "Save weather alarm data fail!");
    EXPECT_TRUE(o.changes.empty());
    EXPECT_EQ(station.memory()[0x1A], 0x00);
    EXPECT_FALSE(station.access->busy().isBusy());

    // A refused box is reported before the station is touched.
    station.usb.sent.clear();
    form.edit(1005, "100");
    o = save();
    EXPECT_EQ(o.focusControl, 1005);
    EXPECT_TRUE(station.usb.frames().empty());
}

TEST(AlarmRawValue, ValuesThatDoNotFitTheirFieldAreRefused) {
    StationSettings settings; // hPa, mm, m/s
    const AlarmBox& absHigh = *alarmBoxByControl(1023); // u16 tenths
    EXPECT_EQ(alarmRawValue(absHigh, 6553.5, settings), 65535);
    EXPECT_EQ(alarmRawValue(absHigh, 6553.6, settings), std::nullopt);
    EXPECT_EQ(alarmRawValue(absHigh, -0.1, settings), std::nullopt);
    const AlarmBox& humidity = *alarmBoxByControl(1005); // u8
    EXPECT_EQ(alarmRawValue(humidity, 255, settings), 255);
    EXPECT_EQ(alarmRawValue(humidity, 256, settings), std::nullopt);
    const AlarmBox& temperature = *alarmBoxByControl(1004); // sign and magnitude
    EXPECT_EQ(alarmRawValue(temperature, -3276.6, settings), -32766);
    EXPECT_EQ(alarmRawValue(temperature, -3276.7, settings), std::nullopt);
    EXPECT_EQ(alarmRawValue(temperature, 3276.7, settings), 32767);
    settings.rainUnit = "inch";
    EXPECT_EQ(alarmRawValue(*alarmBoxByControl(1019), 655.35, settings), 65535);
    EXPECT_EQ(alarmRawValue(*alarmBoxByControl(1019), 655.36, settings), std::nullopt);
}

TEST_F(AlarmFormTest, ARecordThatWouldNotFitNamesItsThreshold) {
    ASSERT_TRUE(open().done);
    form.edit(1023, "7000");
    AlarmThresholds fresh, out;
    const FormOutcome o = form.buildRecord(fresh, out);
    EXPECT_FALSE(o.done);
    EXPECT_EQ(o.focusControl, 1023);
    EXPECT_EQ(o.message, "Absolute Pressure High: 7000 does not fit in the station's memory. Nothing was saved.");
}

} // namespace
} // namespace nimbrel::testing
