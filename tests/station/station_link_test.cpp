#include "station/flag_text.h"
#include "station/station_link.h"
#include "tests/support/fake_clock.h"
#include "tests/support/scripted_usb.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace nimbrel {
namespace {

using testing::FakeClock;
using testing::Report;
using testing::ScriptedUsb;
using namespace std::chrono_literals;

const Report kAck = {0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5};

struct StationLinkTransfer : ::testing::Test {
    ScriptedUsb usb;
    FakeClock clock;
    StationLink link{usb.library(), clock, false};
    void SetUp() override { ASSERT_TRUE(link.findStation(0x0713, 0x0818)); }
};

std::vector<std::uint8_t> counting(int n, int from = 0) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(from + i);
    return bytes;
}

TEST_F(StationLinkTransfer, FrameBytesForReadsWritesAndByteWrites) {
    usb.queueBytes(counting(64));
    std::vector<std::uint8_t> buffer(64);
    int length = 64;
    ASSERT_TRUE(link.readMemory(0x0020, buffer.data(), length));
    EXPECT_EQ(buffer, counting(64));
    usb.queueBytes(counting(32));
    length = 32;
    ASSERT_TRUE(link.readMemory(0x1A30, buffer.data(), length));
    usb.queueAck();
    ASSERT_TRUE(link.writeByte(0x001A, 0x55));
    usb.queueAck();
    length = 32;
    auto source = counting(32, 100);
    ASSERT_TRUE(link.writeMemory(0xFFE0, source.data(), length));

    const std::vector<Report> expected = {
        {0x52, 0x00, 0x20, 0x20, 0x52, 0x00, 0x20, 0x20}, {0x52, 0x00, 0x40, 0x20, 0x52, 0x00, 0x40, 0x20},
        {0x52, 0x1A, 0x30, 0x20, 0x52, 0x1A, 0x30, 0x20}, {0x42, 0x00, 0x1A, 0x20, 0x42, 0x55, 0x00, 0x20},
        {0x57, 0xFF, 0xE0, 0x20, 0x57, 0xFF, 0xE0, 0x20}, {100, 101, 102, 103, 104, 105, 106, 107},
        {108, 109, 110, 111, 112, 113, 114, 115},         {116, 117, 118, 119, 120, 121, 122, 123},
        {124, 125, 126, 127, 128, 129, 130, 131},
    };
    EXPECT_EQ(usb.sent, expected);
    // 50 ms after each of the five command frames.
    EXPECT_EQ(clock.sleeps(), std::vector<std::chrono::milliseconds>(5, 50ms));
}

TEST_F(StationLinkTransfer, LengthsAndPartialCopies) {
    // 16 bytes: one command, four reports, only 16 bytes copied, length reported as 32.
    usb.queueBytes(counting(32, 1));
    std::vector<std::uint8_t> buffer(32, 0xEE);
    int length = 16;
    ASSERT_TRUE(link.readMemory(0x0100, buffer.data(), length));
    EXPECT_EQ(length, 32);
    EXPECT_EQ(usb.frames().size(), 1u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 16, counting(16, 1).begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + 16, buffer.end(), [](auto b) { return b == 0xEE; }));

    // 20 bytes: the third report is cut at the caller's length.
    usb.queueBytes(counting(32, 1));
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    length = 20;
    ASSERT_TRUE(link.readMemory(0x0100, buffer.data(), length));
    EXPECT_EQ(buffer[19], 20);
    EXPECT_EQ(buffer[20], 0xEE);

    // 96 bytes whose second command stalls after two reports: 32 delivered, the rest of the
    // second command's reports partly in the buffer, no third command.
    usb.queueBytes(counting(48, 1));
    usb.sent.clear();
    buffer.assign(96, 0);
    length = 96;
    const long readsBefore = usb.readCalls;
    EXPECT_FALSE(link.readMemory(0x0200, buffer.data(), length));
    EXPECT_EQ(length, 32);
    EXPECT_EQ(usb.frames().size(), 2u);
    EXPECT_EQ(buffer[47], 48);
    EXPECT_EQ(usb.readCalls - readsBefore, 6 + StationLink::pollBound);

    // A 20-byte write: its block is padded with zeros, never with the bytes after the caller's 20.
    auto source = counting(32, 1);
    std::fill(source.begin() + 20, source.end(), 0xEE);
    usb.queueAck();
    usb.sent.clear();
    length = 20;
    ASSERT_TRUE(link.writeMemory(0x0100, source.data(), length));
    EXPECT_EQ(length, 32);
    ASSERT_EQ(usb.sent.size(), 5u);
    EXPECT_EQ(usb.sent[3], (Report{17, 18, 19, 20, 0, 0, 0, 0}));
    EXPECT_EQ(usb.sent[4], Report{});

    // Zero and negative lengths do nothing.
    length = -5;
    EXPECT_TRUE(link.readMemory(0, buffer.data(), length));
    EXPECT_EQ(length, 0);
}

TEST_F(StationLinkTransfer, AcknowledgementsAndRetries) {
    usb.queueReport({0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA4});
    EXPECT_FALSE(link.writeByte(0x001A, 0x55));
    usb.queueAck();
    EXPECT_TRUE(link.writeByte(0x001A, 0x55));

    // A refused first block: the second is still written; the write fails as a whole.
    usb.queueReport({0xA5, 0xA5, 0xA5, 0x00, 0xA5, 0xA5, 0xA5, 0xA5});
    usb.queueAck();
    auto source = counting(64);
    int length = 64;
    usb.sent.clear();
    EXPECT_FALSE(link.writeMemory(0x0020, source.data(), length));
    EXPECT_EQ(length, 64);
    EXPECT_EQ(usb.sent.size(), 10u);

    usb.sent.clear();
    length = 32;
    // The frame itself is not retried.
    usb.failWrites(1);
    EXPECT_FALSE(link.writeMemory(0x0020, source.data(), length));
    EXPECT_EQ(length, 0);
    EXPECT_TRUE(usb.sent.empty());

    // A silent station: an acknowledgement never comes after exactly pollBound attempts.
    const long before = usb.readCalls;
    EXPECT_FALSE(link.writeByte(0x0030, 1));
    EXPECT_EQ(usb.readCalls - before, StationLink::pollBound);
}

// A station whose command frames go through and whose every other transfer fails after taking
// `each` of the clock (a write blocked in the system until it times out, or a poll that waited).
class StallingUsb final : public UsbLibrary {
public:
    StallingUsb(FakeClock& clock, std::chrono::milliseconds each) : clock_(clock), each_(each) {}
    int findHandle(int, int) override { return 1; }
    bool checkHandle(int) override { return true; }
    bool writeData(int, const std::uint8_t* report) override {
        if (report[0] == 0x57 && report[4] == 0x57) return true;
        ++dataWrites;
        clock_.advance(each_);
        return false;
    }
    bool readData(int, std::uint8_t*) override {
        ++reads;
        clock_.advance(each_);
        return false;
    }
    long dataWrites = 0, reads = 0;

private:
    FakeClock& clock_;
    std::chrono::milliseconds each_;
};

TEST(StationLink, EveryTransferEndsItsRetriesAtTheTimeLimit) {
    const std::vector<std::uint8_t> block(32, 0x11);
    const auto attemptsOfAWrite = [&](std::chrono::milliseconds each) {
        FakeClock clock;
        auto usb = std::make_unique<StallingUsb>(clock, each);
        StallingUsb& counts = *usb;
        StationLink link(std::move(usb), clock, false);
        link.findStation(0x0713, 0x0818);
        int length = 32;
        EXPECT_FALSE(link.writeMemory(0x0100, block.data(), length));
        return std::pair(counts.dataWrites / 4, counts.reads); // each data report, then the acknowledgement
    };
    // A write that blocks past the limit is tried once; one that fails in 1 s twice (the second
    // ends exactly at the limit); a silent station is polled for 2 s, not 393,217 times.
    EXPECT_EQ(attemptsOfAWrite(5000ms), std::pair(1L, 1L));
    EXPECT_EQ(attemptsOfAWrite(1000ms), std::pair(2L, 2L));
    EXPECT_EQ(attemptsOfAWrite(999ms), std::pair(3L, 3L));
    EXPECT_EQ(attemptsOfAWrite(1ms), std::pair(2000L, 2000L));
}

TEST(StationLink, NoStationFailsAtOnce) {
    ScriptedUsb usb;
    usb.handleToReturn = -1;
    FakeClock clock;
    StationLink link(usb.library(), clock, false);
    EXPECT_FALSE(link.findStation(0x0713, 0x0818));
    std::array<std::uint8_t, 32> buffer{};
    int length = 32;
    EXPECT_FALSE(link.readMemory(0, buffer.data(), length));
    EXPECT_EQ(length, 0);
    length = 32;
    EXPECT_FALSE(link.writeMemory(0, buffer.data(), length));
    EXPECT_FALSE(link.writeByte(0x1A, 0x55));
    EXPECT_EQ(usb.writeCalls + usb.readCalls, 0);
    EXPECT_EQ(clock.totalSlept(), 0ms);

    // A station that goes away drops the handle; later transfers fail without asking the library.
    usb.handleToReturn = 5;
    ASSERT_TRUE(link.findStation(0x0713, 0x0818));
    EXPECT_TRUE(link.checkStation());
    usb.attached = false;
    EXPECT_FALSE(link.checkStation());
    EXPECT_EQ(link.handle(), -1);
    EXPECT_FALSE(link.sendReport(buffer.data()));
    EXPECT_EQ(usb.writeCalls, 0);
}

TEST(StationLink, TestFlagSpellings) {
    for (const char* on : {"true", "TRUE", "True", "tRuE", "1"}) EXPECT_TRUE(isFlagOn(on)) << on;
    for (const char* off : {"false", "yes", "01", "", " true", "true ", "2", "truth"})
        EXPECT_FALSE(isFlagOn(off)) << off;
}

TEST(StationLink, TestModeWorksOnTheImage) {
    FakeClock clock;
    StationLink link(loadUsbLibrary("/nonexistent/libnimbrel.so"), clock, true);
    ASSERT_TRUE(link.findStation(0, 0));
    EXPECT_EQ(link.handle(), -1);
    EXPECT_TRUE(link.checkStation());

    std::array<std::uint8_t, 256> fixed{};
    int length = 256;
    ASSERT_TRUE(link.readMemory(0, fixed.data(), length));
    EXPECT_EQ(length, 256);
    EXPECT_EQ(fixed, fixedTemplate);
    EXPECT_EQ(clock.sleeps(), std::vector<std::chrono::milliseconds>{200ms});
    for (unsigned page : {0x0100u, 0xFF00u})
        EXPECT_TRUE(std::equal(historyTemplate.begin(), historyTemplate.begin() + 16,
                               link.testImage().begin() + page));

    // A read past the top of memory stays inside the image.
    std::array<std::uint8_t, 32> top{};
    top.fill(0xEE);
    length = 32;
    ASSERT_TRUE(link.readMemory(0xFFF0, top.data(), length));
    EXPECT_TRUE(std::equal(top.begin(), top.begin() + 16, historyTemplate.begin() + 0xF0));
    EXPECT_TRUE(std::all_of(top.begin() + 16, top.end(), [](auto b) { return b == 0; }));
    length = 32;
    EXPECT_TRUE(link.writeMemory(0xFFF0, top.data(), length));

    // Writes change the image until the next findStation.
    ASSERT_TRUE(link.writeByte(0x001A, 0x55));
    EXPECT_EQ(link.testImage()[0x1A], 0x55);
    EXPECT_EQ(clock.sleeps(), std::vector<std::chrono::milliseconds>(4, 200ms)); // each as long as the station's
    ASSERT_TRUE(link.findStation(0, 0));
    EXPECT_EQ(link.testImage()[0x1A], 0x00);
}

TEST(StationLink, MissingLibraryOrEntryPointFailsLikeNoStation) {
    FakeClock clock;
    for (const char* path : {"/nonexistent/libnimbrel.so", "libm.so.6"}) {
        auto library = loadUsbLibrary(path);
        EXPECT_FALSE(library->loadError().empty()) << path;
        std::array<std::uint8_t, 8> report{};
        EXPECT_FALSE(library->writeData(0, report.data())) << path;
        EXPECT_FALSE(library->readData(0, report.data())) << path;
        StationLink link(std::move(library), clock, false);
        EXPECT_FALSE(link.findStation(0x0713, 0x0818));
        EXPECT_FALSE(link.checkStation());
        std::array<std::uint8_t, 32> buffer{};
        int length = 32;
        EXPECT_FALSE(link.readMemory(0, buffer.data(), length));
        EXPECT_FALSE(link.writeByte(0x1A, 0));
    }
    StationLink empty(nullptr, clock, false);
    EXPECT_FALSE(empty.findStation(1, 2));
}

TEST(StationLink, RealLibraryWithoutStationAnswersPromptly) {
    const std::string path = std::string(NIMBREL_BIN_DIR) + "/libnimbrel.so";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "libnimbrel.so is not built";
    auto library = loadUsbLibrary(path);
    ASSERT_EQ(library->loadError(), "");
    // No station with this id exists on a build machine.
    EXPECT_EQ(library->findHandle(0x0713, 0x0818 + 0x1000), -1);
    std::array<std::uint8_t, 8> report{};
    EXPECT_FALSE(library->checkHandle(0));
    EXPECT_FALSE(library->writeData(0, report.data()));
    EXPECT_FALSE(library->readData(-1, report.data()));
}

} // namespace
} // namespace nimbrel
