// libnimbrel.so built over the hidapi stand-in: late answers, handle reuse, the lock between programs,
// and why a find failed.
#include "tests/support/temp_dir.h"
#include "tests/usb/fake_hidapi.h"

#include <cerrno>
#include <chrono>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace nimbrel::testing {
namespace {

using fakehid::Report;
using namespace std::chrono_literals;

constexpr int kVid = 0x0713, kPid = 0x0818;
constexpr auto kLockWait = std::chrono::milliseconds(NIMBREL_LOCK_WAIT_MS);
constexpr auto kExchangeLimit = std::chrono::milliseconds(NIMBREL_EXCHANGE_LIMIT_MS);

const Report kReadFrame = {0x52, 0x01, 0x20, 0x20, 0x52, 0x01, 0x20, 0x20};
const Report kWriteFrame = {0x57, 0x00, 0x40, 0x20, 0x57, 0x00, 0x40, 0x20};
const Report kByteFrame = {0x42, 0x00, 0x1A, 0x20, 0x42, 0xAA, 0x00, 0x20};
const Report kAck = {0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5};
const Report kLate = {0xEE, 1, 2, 3, 4, 5, 6, 7};

class UsbOverFakeHid : public ::testing::Test {
protected:
    void SetUp() override {
        fakehid::reset();
        folder.write("hidraw0", "");
        node = (folder / "hidraw0").string();
        module = dlopen(NIMBREL_USB_OVER_FAKE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        find = reinterpret_cast<int (*)(int, int)>(dlsym(module, "FindHandle"));
        failure = reinterpret_cast<int (*)()>(dlsym(module, "FindFailure"));
        check = reinterpret_cast<bool (*)(int)>(dlsym(module, "CheckHandle"));
        writeRaw = reinterpret_cast<bool (*)(int, unsigned char*)>(dlsym(module, "WriteData"));
        readRaw = reinterpret_cast<bool (*)(int, unsigned char*)>(dlsym(module, "ReadData"));
        ASSERT_TRUE(find && failure && check && writeRaw && readRaw);
    }
    void TearDown() override {
        if (module) dlclose(module); // closes what the library still has open
    }

    int attachAndFind() {
        fakehid::attach(node, kVid, kPid);
        return find(kVid, kPid);
    }
    bool write(int handle, Report report) { return writeRaw(handle, report.data()); }
    std::optional<Report> read(int handle) {
        Report r{};
        return readRaw(handle, r.data()) ? std::optional(r) : std::nullopt;
    }
    // What another program sees: whether it could take the station's lock now.
    bool lockFree() const {
        const int fd = open(node.c_str(), O_RDONLY | O_CLOEXEC);
        const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
        close(fd);
        return free;
    }

    TempDir folder;
    std::string node;
    void* module = nullptr;
    int (*find)(int, int) = nullptr;
    int (*failure)() = nullptr;
    bool (*check)(int) = nullptr;
    bool (*writeRaw)(int, unsigned char*) = nullptr;
    bool (*readRaw)(int, unsigned char*) = nullptr;
};

TEST_F(UsbOverFakeHid, ReportsQueuedBeforeACommandAreDroppedSoItsAnswersComeNext) {
    const int h = attachAndFind();
    ASSERT_GE(h, 0);
    fakehid::deliver(node, kLate); // the answer to a read the program gave up on
    fakehid::deliver(node, kAck);
    ASSERT_TRUE(write(h, kReadFrame));
    EXPECT_EQ(fakehid::written().back(),
              (std::vector<std::uint8_t>{0x00, 0x52, 0x01, 0x20, 0x20, 0x52, 0x01, 0x20, 0x20}));
    const Report answers[4] = {{1, 1, 1, 1, 1, 1, 1, 1},
                               {2, 2, 2, 2, 2, 2, 2, 2},
                               {3, 3, 3, 3, 3, 3, 3, 3},
                               {4, 4, 4, 4, 4, 4, 4, 4}};
    for (const Report& a : answers) fakehid::deliver(node, a);
    for (const Report& a : answers) EXPECT_EQ(read(h), a);

    // The exchange is over: a report coming now answers nothing, and the next command drops it.
    fakehid::deliver(node, kLate);
    EXPECT_EQ(read(h), std::nullopt);
    ASSERT_TRUE(write(h, kByteFrame));
    fakehid::deliver(node, kAck);
    EXPECT_EQ(read(h), kAck);

    // A write's data reports are data, even one that looks like a read frame; the acknowledgement after
    // them is the exchange's answer.
    ASSERT_TRUE(write(h, kWriteFrame));
    for (const Report& data : {kReadFrame, kLate, kByteFrame, Report{}}) ASSERT_TRUE(write(h, data));
    fakehid::deliver(node, kAck);
    EXPECT_EQ(read(h), kAck);
    EXPECT_TRUE(lockFree());
    EXPECT_EQ(fakehid::written().size(), 7u);
}

TEST_F(UsbOverFakeHid, FindingAgainKeepsTheOpenDeviceAndReopensOnlyAReplacedOne) {
    const int h = attachAndFind();
    ASSERT_GE(h, 0);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(find(kVid, kPid), h); // more finds than the library has handles
    EXPECT_EQ(fakehid::opens(node), 1);

    // Pulled out: the next find closes the dead handle.
    fakehid::detach(node);
    EXPECT_EQ(find(kVid, kPid), -1);
    EXPECT_EQ(fakehid::openNow(node), 0);
    EXPECT_GE(attachAndFind(), 0);
    EXPECT_EQ(fakehid::opens(node), 1); // a new device under the same name

    // Pulled out and plugged in between two finds: the node was made anew under the same name.
    std::filesystem::remove(node);
    folder.write("hidraw0", "");
    EXPECT_GE(find(kVid, kPid), 0);
    EXPECT_EQ(fakehid::opens(node), 2);
    EXPECT_EQ(fakehid::openNow(node), 1);
}

TEST_F(UsbOverFakeHid, StationLockIsHeldForOneExchangeAndNeverLeftBehind) {
    const int h = attachAndFind();
    ASSERT_GE(h, 0);
    EXPECT_TRUE(lockFree());

    ASSERT_TRUE(write(h, kReadFrame));
    for (int k = 0; k < 4; ++k) fakehid::deliver(node, kLate);
    for (int k = 0; k < 3; ++k) {
        EXPECT_FALSE(lockFree()) << "after answer " << k;
        ASSERT_TRUE(read(h));
    }
    EXPECT_FALSE(lockFree());
    ASSERT_TRUE(read(h));
    EXPECT_TRUE(lockFree()) << "after the last answer";

    ASSERT_TRUE(write(h, kWriteFrame));
    for (int k = 0; k < 4; ++k) ASSERT_TRUE(write(h, Report{}));
    EXPECT_FALSE(lockFree()) << "the acknowledgement is still to come";
    fakehid::deliver(node, kAck);
    ASSERT_TRUE(read(h));
    EXPECT_TRUE(lockFree());

    // A read given up after one answer: the next command starts a new exchange, which ends with its own
    // answer.
    ASSERT_TRUE(write(h, kReadFrame));
    fakehid::deliver(node, kLate);
    ASSERT_TRUE(read(h));
    ASSERT_TRUE(write(h, kByteFrame));
    fakehid::deliver(node, kAck);
    ASSERT_TRUE(read(h));
    EXPECT_TRUE(lockFree());

    // A frame the station does not answer holds nothing.
    ASSERT_TRUE(write(h, Report{0x11, 0, 0, 0x20, 0x11, 0, 0, 0x20}));
    EXPECT_TRUE(lockFree());

    // Given up and never called again for: any call after the time limit lets the lock go.
    ASSERT_TRUE(write(h, kReadFrame));
    std::this_thread::sleep_for(kExchangeLimit + 50ms);
    EXPECT_FALSE(lockFree());
    failure();
    EXPECT_TRUE(lockFree());

    // The station pulled out in the middle of an exchange.
    ASSERT_TRUE(write(h, kReadFrame));
    fakehid::detach(node);
    EXPECT_FALSE(check(h));
    EXPECT_TRUE(lockFree());
}

TEST_F(UsbOverFakeHid, CommandFrameFailsInBoundedTimeWhileAnotherProgramHoldsTheStation) {
    const int h = attachAndFind();
    ASSERT_GE(h, 0);
    const int other = open(node.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    fakehid::deliver(node, kLate);

    const auto start = std::chrono::steady_clock::now();
    auto command = std::async(std::launch::async, [&] { return write(h, kReadFrame); });
    std::this_thread::sleep_for(50ms);
    // The window's connection check is not held up meanwhile.
    const auto checkStart = std::chrono::steady_clock::now();
    EXPECT_TRUE(check(h));
    EXPECT_LT(std::chrono::steady_clock::now() - checkStart, kLockWait / 3);
    EXPECT_FALSE(command.get());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, kLockWait);
    EXPECT_LT(waited, kLockWait + 500ms);
    EXPECT_TRUE(fakehid::written().empty()); // nothing reached the station

    // The other program's exchange ends: the frame goes out, and the other program's answers are dropped.
    flock(other, LOCK_UN);
    close(other);
    ASSERT_TRUE(write(h, kReadFrame));
    EXPECT_EQ(fakehid::written().size(), 1u);
    fakehid::deliver(node, kAck);
    EXPECT_EQ(read(h), kAck);
}

TEST_F(UsbOverFakeHid, FindFailureTellsAMissingStationFromOneThisUserMayNotOpen) {
    EXPECT_EQ(failure(), 0) << "before any find";
    EXPECT_EQ(find(kVid, kPid), -1);
    EXPECT_EQ(failure(), 1);

    fakehid::attach(node, kVid, kPid);
    fakehid::refuseOpens(node, EACCES);
    EXPECT_EQ(find(kVid, kPid), -1);
    EXPECT_EQ(failure(), 2);
    fakehid::refuseOpens(node, EPERM);
    EXPECT_EQ(find(kVid, kPid), -1);
    EXPECT_EQ(failure(), 2);
    fakehid::refuseOpens(node, EBUSY); // refused for another reason than permission
    EXPECT_EQ(find(kVid, kPid), -1);
    EXPECT_EQ(failure(), 1);
    EXPECT_EQ(find(kVid + 1, kPid), -1); // a find for other ids sees no station
    EXPECT_EQ(failure(), 1);

    fakehid::refuseOpens(node, 0);
    EXPECT_GE(find(kVid, kPid), 0);
    EXPECT_EQ(failure(), 0);
}

} // namespace
} // namespace nimbrel::testing
