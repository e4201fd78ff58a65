// The simulated station's side of the link: frames, answers, writes, defaults, faults and its settings.
#include "station/station_settings.h"
#include "tests/sim/sim_library.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <span>

namespace nimbrel::testing {
namespace {

constexpr const char* kStill = "seed=3 start=1700000000 speed=0";

class SimProtocol : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.loaded()) << "libnimbrel-sim.so not found in " NIMBREL_BIN_DIR; }
    SimLibrary sim;
};

TEST_F(SimProtocol, AnswersReadAndByteWriteFramesAndIgnoresConfusedOnes) {
    int h = sim.start(kStill);
    ASSERT_GT(h, 0);
    EXPECT_EQ(sim.findHandle(0x0713, 0x0819), -1);
    EXPECT_EQ(sim.findHandle(0x0714, 0x0818), -1);
    EXPECT_EQ(sim.findHandle(SimLibrary::kVid, SimLibrary::kPid), h); // still the same station
    EXPECT_TRUE(sim.checkHandle(h));
    EXPECT_FALSE(sim.checkHandle(h + 1));

    // A read gets exactly four reports holding the 32 bytes; then nothing more is waiting.
    for (unsigned address : {0x0000u, 0x0020u, 0x1A30u, 0x0100u}) {
        auto block = sim.readBlock(h, address);
        ASSERT_TRUE(block) << address;
        auto expected = sim.peek(address, 32);
        EXPECT_TRUE(std::equal(block->begin(), block->end(), expected.begin())) << address;
    }
    // Past the top of memory the station wraps to address 0.
    auto top = sim.readBlock(h, 0xFFF0);
    ASSERT_TRUE(top);
    auto low = sim.peek(0, 16);
    EXPECT_TRUE(std::equal(top->begin() + 16, top->end(), low.begin()));

    // Repeats that do not match, a short length and an unknown command get no answer at all.
    EXPECT_TRUE(sim.send(h, {'R', 0x00, 0x00, 0x20, 'R', 0x00, 0x01, 0x20}));
    EXPECT_TRUE(sim.drain(h).empty());
    EXPECT_TRUE(sim.send(h, {'R', 0x00, 0x00, 0x10, 'R', 0x00, 0x00, 0x10}));
    EXPECT_TRUE(sim.drain(h).empty());
    EXPECT_TRUE(sim.send(h, {'X', 0x00, 0x00, 0x20, 'X', 0x00, 0x00, 0x20}));
    EXPECT_TRUE(sim.drain(h).empty());
    EXPECT_TRUE(sim.send(h, {'B', 0x00, 0x19, 0x20, 'R', 0x5A, 0x00, 0x20}));
    EXPECT_TRUE(sim.drain(h).empty());
    EXPECT_EQ(sim.peek(0x19, 1)[0], 0x00);

    // A byte write is acknowledged with eight 0xA5 and takes effect.
    EXPECT_TRUE(SimLibrary::isAck(sim.writeByte(h, 0x0019, 0x5A)));
    EXPECT_EQ(sim.peek(0x19, 1)[0], 0x5A);

    // A new command drops what the last one left unread.
    ASSERT_TRUE(sim.send(h, SimLibrary::frame('R', 0x0000)));
    SimReport r{};
    ASSERT_TRUE(sim.readData(h, r.data()));
    ASSERT_TRUE(sim.send(h, SimLibrary::frame('R', 0x0040)));
    auto reports = sim.drain(h);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0][0], sim.peek(0x40, 1)[0]);
    EXPECT_EQ(sim.frames(), 12u);
}

TEST_F(SimProtocol, WritesChangeWhatLaterReadsReturn) {
    int h = sim.start(kStill);
    const unsigned newest = sim.peekU16(0x1E);

    // The settings area: wind in m/h, a 10-minute interval, update flag 0xAA; the bytes of the newest
    // record's address are the station's own and stay as they were.
    auto before = sim.readBlock(h, 0x0000);
    ASSERT_TRUE(before);
    SimBlock settings = *before;
    settings[0x10] = 10;
    settings[0x12] = 0x08;
    settings[0x1A] = 0xAA;
    settings[0x1E] = 0x00;
    settings[0x1F] = 0x02;
    EXPECT_TRUE(SimLibrary::isAck(sim.writeBlock(h, 0x0000, settings)));
    auto after = sim.readBlock(h, 0x0000);
    ASSERT_TRUE(after);
    StationSettings decoded;
    decodeSettings(std::span<const std::uint8_t, 32>(after->data(), 32), decoded);
    EXPECT_EQ(decoded.windUnit, "m/h");
    EXPECT_EQ(decoded.historyCircle, "10");
    EXPECT_EQ(decoded.updateFlag, "1");
    EXPECT_EQ(sim.peekU16(0x1E), newest);

    // An alarm block: thresholds read back as written.
    SimBlock alarms{};
    for (int i = 0; i < 32; ++i) alarms[i] = static_cast<std::uint8_t>(0x10 + i);
    EXPECT_TRUE(SimLibrary::isAck(sim.writeBlock(h, 0x0040, alarms)));
    auto alarmsBack = sim.readBlock(h, 0x0040);
    ASSERT_TRUE(alarmsBack);
    EXPECT_EQ(*alarmsBack, alarms);

    // The record being filled keeps its 5 minutes; the ones after it take the new 10.
    sim.advance(300);
    unsigned completed = sim.peekU16(0x1E);
    EXPECT_EQ(completed, newest + 16);
    EXPECT_EQ(sim.peek(newest, 1)[0], 5);
    sim.advance(300);
    EXPECT_EQ(sim.peekU16(0x1E), completed);
    sim.advance(300);
    EXPECT_EQ(sim.peekU16(0x1E), completed + 16);
    EXPECT_EQ(sim.peek(completed, 1)[0], 10);
}

TEST_F(SimProtocol, LoadsDefaultsAndEmptiesTheRingCount) {
    int h = sim.start(kStill);
    const unsigned newest = sim.peekU16(0x1E);
    auto pressures = sim.peek(0x20, 4);

    EXPECT_TRUE(SimLibrary::isAck(sim.writeByte(h, 0x001A, 0x55)));
    auto bytes = sim.peek(0, 32);
    StationSettings settings;
    decodeSettings(std::span<const std::uint8_t, 32>(bytes.data(), 32), settings);
    EXPECT_EQ(settings.initFlag1, "0");
    EXPECT_EQ(settings.initFlag2, "0");
    EXPECT_EQ(bytes[0x1A], 0x00);
    EXPECT_EQ(settings.windUnit, "m/s");
    EXPECT_EQ(settings.presUnit, "Hpa");
    EXPECT_EQ(settings.dateFmt, "0");
    EXPECT_EQ(settings.timeZone, "0");
    EXPECT_EQ(settings.historyCircle, "5");
    EXPECT_EQ(settings.outTempHighAlarmFlag, "0");
    EXPECT_EQ(settings.historyRecords, "4079");
    EXPECT_EQ(sim.peekU16(0x1E), newest);
    EXPECT_EQ(sim.peek(0x20, 4), pressures);
    EXPECT_EQ(sim.peek(0x30, 2), (std::vector<std::uint8_t>{70, 40})); // humidity alarm defaults

    // 0x1B and 0x1C written to 0 empty the count; new records count up from there.
    EXPECT_TRUE(SimLibrary::isAck(sim.writeByte(h, 0x001B, 0x00)));
    EXPECT_EQ(sim.peekU16(0x1B), 0x0F00u); // 4079 = 0x0FEF with its low byte gone
    EXPECT_TRUE(SimLibrary::isAck(sim.writeByte(h, 0x001C, 0x00)));
    EXPECT_EQ(sim.peekU16(0x1B), 0u);
    sim.advance(3 * 300);
    EXPECT_EQ(sim.peekU16(0x1B), 3u);
    EXPECT_EQ(sim.peekU16(0x1E), newest + 3 * 16);
}

TEST_F(SimProtocol, FaultsAtRateOneAlwaysHappenAndAtRateZeroNever) {
    // Refused acknowledgements: one byte is not 0xA5 and nothing is written.
    int h = sim.start("seed=5 start=1700000000 speed=0 ack_faults=1");
    for (int i = 0; i < 20; ++i) {
        auto answer = sim.writeByte(h, 0x0019, static_cast<std::uint8_t>(i + 1));
        ASSERT_EQ(answer.size(), 1u);
        int wrong = 0;
        for (auto b : answer[0]) wrong += b != 0xA5;
        EXPECT_EQ(wrong, 1);
    }
    EXPECT_FALSE(SimLibrary::isAck(sim.writeBlock(h, 0x0040, SimBlock{})));
    EXPECT_EQ(sim.peek(0x19, 1)[0], 0x00);
    EXPECT_NE(sim.peek(0x40, 4), std::vector<std::uint8_t>(4, 0));
    EXPECT_TRUE(sim.readBlock(h, 0x0000)); // reads are not refused

    // Answers that never come: reads are short, acknowledgements missing.
    h = sim.start("seed=5 start=1700000000 speed=0 silent_faults=1");
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(sim.send(h, SimLibrary::frame('R', 0x0100 + 32u * i)));
        EXPECT_LT(sim.drain(h).size(), 4u);
    }
    EXPECT_TRUE(sim.writeByte(h, 0x0019, 0x01).empty());
    EXPECT_TRUE(sim.checkHandle(h));

    // Unplugging: the frame fails, and so does everything on that handle until the station is found again.
    h = sim.start("seed=5 start=1700000000 speed=0 unplug_faults=1");
    EXPECT_FALSE(sim.send(h, SimLibrary::frame('R', 0x0000)));
    EXPECT_FALSE(sim.checkHandle(h));
    SimReport r{};
    EXPECT_FALSE(sim.readData(h, r.data()));
    int again = sim.findHandle(SimLibrary::kVid, SimLibrary::kPid);
    EXPECT_GT(again, 0);
    EXPECT_NE(again, h);
    EXPECT_TRUE(sim.checkHandle(again));
    EXPECT_FALSE(sim.checkHandle(h));

    // Pulling the cable: nothing is found until it is plugged back in.
    h = sim.start(kStill);
    sim.setPlugged(0);
    EXPECT_FALSE(sim.checkHandle(h));
    EXPECT_EQ(sim.findHandle(SimLibrary::kVid, SimLibrary::kPid), -1);
    EXPECT_FALSE(sim.send(h, SimLibrary::frame('R', 0x0000)));
    sim.setPlugged(1);
    EXPECT_GT(sim.findHandle(SimLibrary::kVid, SimLibrary::kPid), 0);

    // Rates 0: hundreds of commands, every one answered in full.
    h = sim.start("seed=5 start=1700000000 speed=0 ack_faults=0 silent_faults=0 unplug_faults=0");
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(sim.readBlock(h, 0x0100 + 32u * i));
        ASSERT_TRUE(SimLibrary::isAck(sim.writeByte(h, 0x0019, static_cast<std::uint8_t>(i))));
    }
}

TEST_F(SimProtocol, SameSeedGivesTheSameStationAndTheSameFaults) {
    auto run = [this](const char* settings) {
        int h = sim.start(settings);
        std::vector<std::uint8_t> outcome = sim.peek(0, 0x10000);
        sim.advance(7200);
        auto later = sim.peek(0, 0x10000);
        outcome.insert(outcome.end(), later.begin(), later.end());
        for (int i = 0; i < 200; ++i) {
            if (!sim.send(h, SimLibrary::frame(i % 2 ? 'R' : 'B', 0x0100 + 32u * i, 1))) {
                outcome.push_back(0xEE);
                h = sim.findHandle(SimLibrary::kVid, SimLibrary::kPid);
                continue;
            }
            for (auto& report : sim.drain(h)) outcome.insert(outcome.end(), report.begin(), report.end());
            outcome.push_back(0xFF);
        }
        return outcome;
    };
    const char* faulty =
        "seed=42 start=1700000000 speed=0 ack_faults=0.3 silent_faults=0.3 unplug_faults=0.1";
    auto first = run(faulty);
    EXPECT_EQ(run(faulty), first);
    EXPECT_NE(run("seed=43 start=1700000000 speed=0 ack_faults=0.3 silent_faults=0.3 unplug_faults=0.1"),
              first);
}

TEST_F(SimProtocol, TakesItsSettingsFromTheEnvironmentOrASettingsText) {
    setenv("NIMBREL_SIM_VID", "0x1234", 1);
    setenv("NIMBREL_SIM_PID", "4660", 1);
    setenv("NIMBREL_SIM_START", "1600000000", 1);
    setenv("NIMBREL_SIM_SPEED", "0", 1);
    sim.reset(nullptr);
    unsetenv("NIMBREL_SIM_VID");
    unsetenv("NIMBREL_SIM_PID");
    unsetenv("NIMBREL_SIM_START");
    unsetenv("NIMBREL_SIM_SPEED");
    EXPECT_EQ(sim.findHandle(SimLibrary::kVid, SimLibrary::kPid), -1);
    EXPECT_GT(sim.findHandle(0x1234, 0x1234), 0);
    EXPECT_DOUBLE_EQ(sim.now(), 1600000000.0);

    // The settings-file form: sections, comments, blanks around '=', and bad values ignored.
    sim.reset("[station]\n vid = 0x0999 ; a comment\npid=0x0001\nspeed = 0 # stopped\nstart=soon\nseed=9\n");
    EXPECT_GT(sim.findHandle(0x0999, 0x0001), 0);
    const double now = sim.now();
    EXPECT_GT(now, 1600000000.0); // "soon" does not read, so the station starts now
    EXPECT_DOUBLE_EQ(sim.now(), now);
}

} // namespace
} // namespace nimbrel::testing
