// The Debug window without its window: the dumps as the window prints them, the record number bound
// at the ring's end, the log's cap, each failing read of "&SetupRead" on its own, and the options
// that the station operations consult from the acquisition thread.
#include "app/debug_log.h"
#include "app/language_table.h"
#include "station/usb_library.h"
#include "tests/support/test_station.h"

#include "tests/support/text_lines.h"
#include <gtest/gtest.h>
#include <thread>

namespace nimbrel {
namespace {

using testing::contains;

using testing::TestStation;

TEST(DebugLog, RecordDumpOfTheTestImagePrintsSignedRawValues) {
    testing::FakeClock clock;
    StationAccess access(loadUsbLibrary("/nonexistent/libnimbrel.so"), clock, true);
    ASSERT_TRUE(access.pollConnection());
    LanguageTable texts(english);
    DebugLog log(texts);
    ASSERT_TRUE(log.readRecord(access, clock, 0).done);
    const std::string t = log.text();
    EXPECT_EQ(t.substr(0, 2), "\n\n");
    EXPECT_TRUE(contains(t, "\n\nWeather data (MEM-SYS)/SIZE=SUM: (010000-0100)/16=4080\n")) << t;
    EXPECT_TRUE(contains(t, "\nstackAddr: 0001F0 hexAddr: 0001F0\n")) << t;
    EXPECT_TRUE(contains(t, "\nhexValue:05 39 50 02 40 88 81 0A 27 34 C0 00 30 01 0A 04 \n")) << t;
    // Outdoor temperature -39.2 °C: sign and magnitude 88 81, never 4294966904.
    EXPECT_TRUE(contains(t, "\noutTemp: 88 81 ->-392->-392\n")) << t;
    EXPECT_TRUE(contains(t, "\nindHumi: 39 ->57->57\n")) << t;
    EXPECT_TRUE(contains(t, "\nflag_bin: 00000100(bit4=1: average wind speed error flag; bit5=1: gust speed error "
                       "flag; bit6=1: all rain error flag; bit7=1: total rain overflowed flag)\n"))
        << t;
    EXPECT_FALSE(contains(t, "4294966904"));
}

TEST(DebugLog, SettingsAndMinMaxDumpsAsTheWindowPrintsThem) {
    TestStation s;
    auto& m = s.memory();
    m[0x00] = 0x55;
    m[0x10] = 30;
    m[0x11] = 0x41; // indoor °F, pressure inHg
    m[0x12] = 0x10; // wind in Beaufort
    m[0x18] = 0x85; // time zone -5
    m[0x6C] = 0x88; // outdoor temperature minimum -39.2
    m[0x6D] = 0x81;
    s.connect();
    LanguageTable texts(english);
    DebugLog log(texts);
    ASSERT_TRUE(log.readSetup(*s.access, s.clock).done);
    const std::string t = log.text();
    EXPECT_TRUE(contains(t, "\n\nBasic settings (00H-1FH): 55 00 ")) << t;
    EXPECT_TRUE(contains(t, "\ninitFlag1: 55 ->1(EEPROM initialisation flag, fixed value: 55H)\n")) << t;
    EXPECT_TRUE(contains(t, "\nhistoryCircle: 1E ->30->30\n")) << t;
    EXPECT_TRUE(contains(t, "\nindTempUnit: 1->°F(0 - ℃，1 - ℉)\n")) << t;
    EXPECT_TRUE(contains(t, "\npresUnit: 010->inHg(bit5~Hpa, bit6~inHg, bit7~mmHg )\n")) << t;
    EXPECT_TRUE(contains(t, "\nwindUnit: 10000->bft(bit0~m/s, bit1~km/h, bit2~knot, bit3~m/h, bit4~bft)\n")) << t;
    EXPECT_TRUE(contains(t, "\nhourFmt: 0(0 - 24-hour clock,1 - 12-hour clock)\n")) << t;
    EXPECT_TRUE(contains(t, "\noutHumiLowAlarmFlag 0\n")) << t;
    EXPECT_TRUE(contains(t, "\ntimeZone: 85 00 ->-5->-5\n")) << t;
    EXPECT_TRUE(contains(t, "\n\nAlarm settings (20H-60H): ")) << t;
    EXPECT_TRUE(contains(t, "\ntimeAlarmMinute: 00\n")) << t;
    EXPECT_TRUE(contains(t, "\n\nMaximum and minimum values (60H-FFH): ")) << t;
    EXPECT_TRUE(contains(t, "\noutTempMin: 88 81 ->-392->-392, Time: 00 00 00 00 00 ->2000-00-00 00:00\n")) << t;
    // The three dumps in the order settings, alarms, min/max.
    EXPECT_LT(t.find("Basic settings"), t.find("Alarm settings"));
    EXPECT_LT(t.find("Alarm settings"), t.find("Maximum and minimum"));
}

TEST(DebugLog, SetupReadAppendsNothingWhenAnyReadFails) {
    for (unsigned address : {0x00u, 0x20u, 0x60u}) {
        TestStation s;
        s.connect();
        s.failReadsAt = {address};
        const LanguageTable texts; // the log keeps a reference to its texts
        DebugLog log(texts);
        EXPECT_EQ(log.readSetup(*s.access, s.clock).message, "Read weather setup data fail!") << address;
        EXPECT_EQ(log.text(), "") << address;
        EXPECT_FALSE(s.access->busy().isBusy());
    }
    TestStation s;
    s.connect();
    ASSERT_TRUE(s.access->busy().tryTake());
    LanguageTable texts;
    DebugLog log(texts);
    EXPECT_EQ(log.readSetup(*s.access, s.clock).message, "Can't communicate with device!");
    EXPECT_EQ(log.readRecord(*s.access, s.clock, 0).message, "Can't communicate with device!");
    EXPECT_TRUE(s.readAddresses().empty());
}

TEST(DebugLog, RecordNumbersEndWithTheRing) {
    EXPECT_EQ(DebugLog::parseRecordNumber("0"), 0);
    EXPECT_EQ(DebugLog::parseRecordNumber(" 4079 "), 4079);
    EXPECT_EQ(DebugLog::parseRecordNumber("4080"), std::nullopt);
    EXPECT_EQ(DebugLog::parseRecordNumber("99999999999"), std::nullopt);
    EXPECT_EQ(DebugLog::parseRecordNumber("-1"), std::nullopt);
    EXPECT_EQ(DebugLog::parseRecordNumber(""), std::nullopt);
    EXPECT_EQ(DebugLog::parseRecordNumber("12a"), std::nullopt);
    LanguageTable texts;
    EXPECT_EQ(DebugLog(texts).recordNumberPrompt(), "Please enter an integer between 0 and 4079.");

    // A full ring, newest record in slot 10: 4079 back is the oldest, slot 11; 4080 back would wrap
    // onto the newest again and is refused without a word to the station.
    TestStation s;
    s.fillRing();
    s.setStackAddr(0x0100 + 10 * 16);
    s.setRecordCount(4080);
    s.connect();
    DebugLog log(texts);
    ASSERT_TRUE(log.readRecord(*s.access, s.clock, 4079).done);
    EXPECT_TRUE(contains(log.text(), "\nstackAddr: 0001B0 ")) << log.text();
    EXPECT_TRUE(contains(log.text(), "->10011->10011, relPres:")) << log.text();
    log.clear();
    const auto framesBefore = s.usb.frames().size();
    EXPECT_EQ(log.readRecord(*s.access, s.clock, 4080).message, "Read weather setup data fail!");
    EXPECT_EQ(s.usb.frames().size(), framesBefore);
    EXPECT_EQ(log.text(), "");
    // One past the stored count fails like a failed read.
    s.setRecordCount(3);
    EXPECT_TRUE(log.readRecord(*s.access, s.clock, 3).done);
    EXPECT_EQ(log.readRecord(*s.access, s.clock, 4).message, "Read weather setup data fail!");
}

TEST(DebugLog, LogKeepsItsCapacityByDroppingTheOldestDumps) {
    LanguageTable texts;
    DebugLog log(texts, 20);
    int changes = 0;
    log.setChangeHandler([&] { ++changes; });
    log.append("abcdefgh");
    log.append("12345678"); // exactly 20 characters with the two separators: kept whole
    EXPECT_EQ(log.text(), "\n\nabcdefgh\n\n12345678");
    log.append("x"); // one past: the oldest dump goes, whole
    EXPECT_EQ(log.text(), "\n\n12345678\n\nx");
    log.append("");
    EXPECT_EQ(changes, 3);
    // A dump longer than the capacity alone is still kept, as the newest.
    log.append(std::string(30, 'y'));
    EXPECT_EQ(log.text(), "\n\n" + std::string(30, 'y'));
    log.clear();
    EXPECT_EQ(log.text(), "");
}

TEST(DebugLog, StationTrafficIsLoggedOnlyForTickedOptions) {
    TestStation s;
    s.connect();
    LanguageTable texts;
    auto log = std::make_shared<DebugLog>(texts);
    s.access->setObserver(log);
    StationSettings settings;
    WeatherSample record;
    s.setStackAddr(0x0100);
    s.setRecordCount(1);
    s.putRecord(0x0100, testing::taggedRecord(1));

    // Nothing ticked: reads and writes elsewhere in the program add nothing.
    ASSERT_TRUE(s.access->readSettingsBlock(settings));
    ASSERT_TRUE(s.access->writeSettingsBlock(settings));
    ASSERT_TRUE(s.access->readRecordBack(record, 0));
    ASSERT_TRUE(s.access->resetStation());
    EXPECT_EQ(log->text(), "");

    // Written by the window's thread, read by the acquisition thread's operations.
    std::thread window([&] { log->setOptions({.read = false, .write = true, .data = false}); });
    window.join();
    std::thread acquisition([&] {
        s.access->readSettingsBlock(settings);
        s.access->writeSettingsBlock(settings);
        s.access->clearHistory();
    });
    acquisition.join();
    const std::string t = log->text();
    // The write is logged with "<-"; the read before it is not (one settings dump only).
    EXPECT_EQ(t.find("Basic settings"), t.rfind("Basic settings")) << t;
    EXPECT_TRUE(contains(t, "\ninitFlag1: 00 <-0(EEPROM")) << t; // the write is, with "<-"
    EXPECT_TRUE(contains(t, "\n\nhistoryRecords->0")) << t;

    log->setOptions({.read = false, .write = false, .data = true});
    log->clear();
    s.setRecordCount(1); // emptied by clearHistory above
    ASSERT_TRUE(s.access->readRecordBack(record, 0));
    EXPECT_TRUE(contains(log->text(), "\n\nWeather data (MEM-SYS)")) << log->text();
    s.access->setObserver(nullptr);
}

} // namespace
} // namespace nimbrel
