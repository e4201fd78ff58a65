// The Scope window's contents without a window: the boxes and their times over a scripted station,
// and what a failed read leaves out (no record read without a record address, no repair of extremes
// that were never read).
#include "app/language_table.h"
#include "app/scope_form.h"
#include "store/history_store.h"
#include "tests/support/test_station.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace nimbrel {
namespace {

using testing::TestStation;

constexpr unsigned kStack = 0x01A0;

// A station whose settings point at one record and whose extremes carry known values and times.
struct ScopeStation {
    ScopeStation() {
        auto& m = station.memory();
        station.setStackAddr(kStack);
        station.setRecordCount(10);
        m[0x11] = 0x01;                                      // indoor °F, outdoor °C, mm, hPa
        m[0x12] = 0x02;                                      // km/h
        station.putRecord(kStack, testing::taggedRecord(7)); // indoor humidity 65 %
        m[0x62] = 45;                                        // indoor humidity maximum
        const std::uint8_t time[] = {0x26, 0x12, 0x08, 0x14, 0x30};
        std::copy(std::begin(time), std::end(time), m.begin() + 0x8D);
        m[0x63] = 0;    // indoor humidity minimum: implausible
        m[0x6C] = 0x88; // outdoor temperature minimum -39.2 °C
        m[0x6D] = 0x81;
        m[0x66] = 0xD7; // indoor temperature maximum 21.5 °C = 70.7 °F
        m[0x82] = 123;  // hour rain maximum 12.3 mm
        station.connect();
    }
    FormOutcome open() { return form.open(*station.access, store, station.clock, texts); }
    // The texts of the rows, one a line, as an opening tells them.
    std::string says(std::initializer_list<TextRow> rows) const {
        std::string text;
        for (TextRow row : rows) text += (text.empty() ? "" : "\n") + texts.text(row);
        return text;
    }
    bool readAt(unsigned address) const {
        const auto reads = station.readAddresses();
        return std::find(reads.begin(), reads.end(), address) != reads.end();
    }

    TestStation station;
    testing::TempDir dir;
    HistoryStore store{(dir / "Nimbrel.dat").string(), station.clock};
    ScopeForm form;
    LanguageTable texts;
};

TEST(ScopeForm, ShowsEachExtremeWithItsUnitAndTime) {
    ScopeStation s;
    const auto outcome = s.open();
    EXPECT_TRUE(outcome.done);
    EXPECT_TRUE(outcome.message.empty());
    EXPECT_FALSE(s.station.access->busy().isBusy());
    EXPECT_EQ(s.form.textOf(10061), "45 %");
    EXPECT_EQ(s.form.textOf(1051), "2026-12-08 14:30");
    EXPECT_EQ(s.form.textOf(10045), "-39.2 °C");
    EXPECT_EQ(s.form.textOf(10048), "70.7 °F");
    EXPECT_EQ(s.form.textOf(10087), "12.3 mm");
    // A time the station never set shows "---".
    EXPECT_EQ(s.form.textOf(1058), "---");
    // The implausible minimum takes the current reading (65 %) and its time.
    EXPECT_EQ(s.form.textOf(10059), "65 %");
    EXPECT_NE(s.form.textOf(1052), "---");
    EXPECT_TRUE(s.readAt(kStack));
    EXPECT_EQ(s.form.textOf(4242), "");
}

TEST(ScopeForm, EachFailedReadOnItsOwn) {
    {
        // Settings unreadable: there is no record address, so no record is read at all (the
        // settings bytes at 0 once passed for one). Only the failed attempts touch 0x00, and they
        // never reach the station here, so any read at 0x00 that arrived would be a record read.
        ScopeStation s;
        s.station.failReadsTimes[0x00] = StationAccess::kReadAttempts;
        const auto outcome = s.open();
        EXPECT_EQ(outcome.message, s.says({TextRow::setupReadFailed}));
        EXPECT_FALSE(s.form.recordRead());
        EXPECT_FALSE(s.readAt(0x00));
        EXPECT_FALSE(s.readAt(kStack));
        EXPECT_EQ(s.form.textOf(10061), "45 %");
        // Without a reading nothing is repaired: the implausible 0 stays.
        EXPECT_EQ(s.form.textOf(10059), "0 %");
    }
    {
        // Extremes unreadable: shown empty, never filled from the current reading and its time.
        ScopeStation s;
        s.station.failReadsAt = {0x60};
        const auto outcome = s.open();
        EXPECT_EQ(outcome.message, s.says({TextRow::scopeReadFailed}));
        EXPECT_TRUE(s.form.recordRead());
        for (const ScopeBox& box : scopeBoxes()) {
            EXPECT_EQ(s.form.textOf(box.timeId), "---") << box.name;
            EXPECT_EQ(s.form.textOf(box.valueId).substr(0, 4), "--- ") << box.name;
        }
    }
    {
        // Alarm block unreadable: the record is still read and the extremes repaired.
        ScopeStation s;
        s.station.failReadsAt = {0x20};
        const auto outcome = s.open();
        EXPECT_EQ(outcome.message, s.says({TextRow::setupReadFailed}));
        EXPECT_TRUE(s.form.recordRead());
        EXPECT_EQ(s.form.textOf(10059), "65 %");
    }
    {
        // Record unreadable: the extremes as stored.
        ScopeStation s;
        s.station.failReadsAt = {kStack};
        const auto outcome = s.open();
        EXPECT_EQ(outcome.message, s.says({TextRow::setupReadFailed}));
        EXPECT_EQ(s.form.textOf(10059), "0 %");
        EXPECT_EQ(s.form.textOf(10061), "45 %");
    }
    {
        // Settings pointing outside the ring: no record read there.
        ScopeStation s;
        s.station.setStackAddr(0x0040);
        const auto outcome = s.open();
        EXPECT_EQ(outcome.message, s.says({TextRow::setupReadFailed}));
        EXPECT_FALSE(s.form.recordRead());
    }
    {
        // Extremes and settings both unreadable: two messages, scope first.
        ScopeStation s;
        s.station.failReadsAt = {0x00, 0x60};
        const auto outcome = s.open();
        EXPECT_EQ(outcome.message, s.says({TextRow::scopeReadFailed, TextRow::setupReadFailed}));
    }
}

TEST(ScopeForm, BusyStationForThreeWaitsOpensNothing) {
    ScopeStation s;
    ASSERT_TRUE(s.station.access->busy().tryTake());
    const auto outcome = s.open();
    EXPECT_FALSE(outcome.done);
    EXPECT_EQ(outcome.message, s.says({TextRow::cannotCommunicate}));
    EXPECT_EQ(s.station.clock.totalSlept(), std::chrono::milliseconds(3000));
    EXPECT_TRUE(s.station.readAddresses().empty());
    // The other holder still owns the flag.
    EXPECT_TRUE(s.station.access->busy().isBusy());
}

} // namespace
} // namespace nimbrel
