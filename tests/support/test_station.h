// A scripted station for the tests of the reader and of the station's windows: a memory image with settings
// and history records that the tests lay out, behind the scripted USB library, and a StationAccess over it.
#pragma once

#include "station/station_access.h"
#include "station/usb_library.h"
#include "tests/support/fake_clock.h"
#include "tests/support/scripted_usb.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace nimbrel::testing {

// A valid record, told apart from the others by its absolute pressure (10000 + tag, tenths).
inline std::vector<std::uint8_t> taggedRecord(unsigned tag, std::uint8_t circle = 5) {
    std::vector<std::uint8_t> r = {0x05, 0x41, 0xE3, 0x00, 0x3C, 0x08, 0x01, 0x6A,
                                   0x27, 0x60, 0xCC, 0x00, 0x20, 0x94, 0x2A, 0x02};
    r[0] = circle;
    const unsigned pressure = 10000 + tag;
    r[7] = static_cast<std::uint8_t>(pressure & 0xFF);
    r[8] = static_cast<std::uint8_t>(pressure >> 8);
    return r;
}

inline unsigned tagOfPressure(const std::string& absPres) {
    return static_cast<unsigned>(std::stoi(absPres)) - 10000;
}

// Fails the read frames for the armed addresses (always, or the next n times) and the write frames that a
// rule refuses (the memory stays untouched), and forwards the rest.
class FailingUsb final : public UsbLibrary {
public:
    FailingUsb(ScriptedUsb& inner, const std::set<unsigned>& failReadsAt, std::map<unsigned, int>& failReadsTimes,
               const std::function<bool(unsigned)>& refuseWrite)
        : inner_(inner), failReadsAt_(failReadsAt), failReadsTimes_(failReadsTimes), refuseWrite_(refuseWrite) {}
    int findHandle(int v, int p) override { return inner_.findHandle(v, p); }
    bool checkHandle(int h) override { return inner_.checkHandle(h); }
    FindFailure findFailure() const override { return inner_.findFailure(); }
    bool writeData(int h, const std::uint8_t* r) override {
        const auto address = static_cast<unsigned>(r[1] << 8 | r[2]);
        if (r[0] == 'R' && r[4] == 'R' && failReadsAt_.count(address)) return false;
        if (r[0] == 'R' && r[4] == 'R' && failReadsTimes_[address] > 0) {
            --failReadsTimes_[address];
            return false;
        }
        const bool write = (r[0] == 'W' || r[0] == 'B') && r[0] == r[4];
        if (write && refuseWrite_ && refuseWrite_(address)) return false;
        return inner_.writeData(h, r);
    }
    bool readData(int h, std::uint8_t* r) override { return inner_.readData(h, r); }

private:
    ScriptedUsb& inner_;
    const std::set<unsigned>& failReadsAt_;
    std::map<unsigned, int>& failReadsTimes_;
    const std::function<bool(unsigned)>& refuseWrite_;
};

class TestStation {
public:
    TestStation() {
        usb.emulateStation(std::vector<std::uint8_t>(0x10000, 0));
        setCircle(5);
        access = std::make_unique<StationAccess>(
            std::make_unique<FailingUsb>(usb, failReadsAt, failReadsTimes, refuseWrite), clock, false);
    }

    std::vector<std::uint8_t>& memory() { return usb.memory(); }
    void setU16(unsigned address, unsigned value) {
        memory()[address] = static_cast<std::uint8_t>(value & 0xFF);
        memory()[address + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    unsigned u16(unsigned address) { return memory()[address] | memory()[address + 1] << 8; }
    void setStackAddr(unsigned a) { setU16(0x1E, a); }
    void setRecordCount(unsigned r) { setU16(0x1B, r); }
    void setCircle(std::uint8_t minutes) { memory()[0x10] = minutes; }
    void putRecord(unsigned address, const std::vector<std::uint8_t>& bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) memory()[address + i] = bytes[i];
    }
    // Fills every slot of the ring with a record tagged by its slot number.
    void fillRing() {
        for (unsigned a = 0x100; a <= 0xFFF0; a += 16) putRecord(a, taggedRecord((a - 0x100) / 16));
    }
    // Found and marked synchronised, as the connection watch leaves it.
    void connect() {
        access->pollConnection();
        access->markSynchronised();
    }
    // Read frames sent so far, as their addresses.
    std::vector<unsigned> readAddresses() const {
        std::vector<unsigned> out;
        for (const auto& f : usb.frames())
            if (f[0] == 'R') out.push_back(static_cast<unsigned>(f[1] << 8 | f[2]));
        return out;
    }

    FakeClock clock;
    ScriptedUsb usb;
    // Read frames for these addresses fail, every attempt.
    std::set<unsigned> failReadsAt;
    // Read frames for these addresses fail the given number of times, then work.
    std::map<unsigned, int> failReadsTimes;
    // Write frames (word or byte) for the addresses this rule accepts fail.
    std::function<bool(unsigned)> refuseWrite;
    std::unique_ptr<StationAccess> access;
};

} // namespace nimbrel::testing
