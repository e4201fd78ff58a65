// SimStation: the emulated station's 64 KiB memory and its history ring, which fills as simulated time
// passes.
#pragma once

#include "usb/sim/sim_state.h"
#include "usb/sim/station_bytes.h"
#include "usb/sim/weather_model.h"

#include <cstdint>

namespace nimbrel::sim {

constexpr unsigned kFirstSlot = 0x0100;
constexpr unsigned kLastSlot = 0xFFF0;
constexpr unsigned kSlots = 4080;
constexpr unsigned kMaxCompleted = kSlots - 1; // one slot always holds the record being filled

class SimStation {
public:
    // A station that has been logging for weeks up to `start` (seconds since the epoch): a full ring of
    // 4,079 completed records, its newest address somewhere in the middle of the ring, one wrap of the
    // rain counter among them.
    SimStation(std::uint64_t seed, double start);

    // Moves simulated time on to `now`: completes every record whose interval has ended, then lets the
    // current record follow the weather so far. Time never runs backwards.
    void advanceTo(double now);

    // Station bytes [address, address + length), addresses wrapping past 0xFFFF.
    void read(unsigned address, std::uint8_t* out, int length) const;

    // A block written by the PC. Bytes 0x1E-0x1F (the newest record's address) belong to the station's
    // own ring keeping and are not overwritten; 0x55 at 0x1A loads the defaults.
    void writeBlock(unsigned address, const std::uint8_t* data, int length);
    void writeByte(unsigned address, std::uint8_t value);

    // Direct access for tests: no protocol, no side effects.
    void poke(unsigned address, const std::uint8_t* data, int length);

    double now() const { return now_; }

    // The whole station, kept between runs: its clock, the record being filled, the weather still to come
    // and its memory. A station restored from what saveTo wrote goes on exactly as the saved one would
    // have. restoreFrom leaves the station as it was when the bytes do not read, are not used up or make no sense.
    void saveTo(StateWriter& out) const;
    bool restoreFrom(StateReader& in);

private:
    SimStation(std::uint64_t seed, double start, int); // lays the ring out with `start` as its present
    void completeCurrentRecord();
    void refreshCurrentRecord();
    void applyUpdateRequest();
    unsigned currentAddress() const;
    int intervalSetting() const;

    Memory memory_{};
    WeatherModel model_;
    std::uint64_t rainOffset_ = 0; // added to the model's rain so that the counter wraps inside the ring
    double now_ = 0;
    double currentStart_ = 0; // when the record being filled began
    int currentInterval_ = 5; // its length in minutes
    Reading previous_;        // the newest completed record
    Reading target_;          // what the record being filled will hold when its interval ends
};

// The slot after `address` in the ring (0xFFF0 is followed by 0x0100).
inline unsigned nextSlot(unsigned address) {
    return address >= kLastSlot ? kFirstSlot : address + 16;
}
inline unsigned previousSlot(unsigned address) {
    return address <= kFirstSlot ? kLastSlot : address - 16;
}

} // namespace nimbrel::sim
