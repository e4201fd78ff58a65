// SimStation: the emulated station's 64 KiB memory and its history ring, which fills as simulated time
// passes.
#pragma once

#include "usb/sim/sim_config.h"
#include "usb/sim/sim_state.h"
#include "usb/sim/station_bytes.h"
#include "usb/sim/weather_model.h"

#include <cstdint>

namespace nimbrel::sim {

constexpr unsigned kFirstSlot = 0x0100;
constexpr unsigned kLastSlot = 0xFFF0;
constexpr unsigned kSlots = 4080;
constexpr unsigned kMaxCompleted = kSlots - 1; // one slot always holds the record being filled

// The station's timing. Its outdoor sensors send a message every kSensorPeriod simulated seconds, and only
// then do the live values of the current record (and the current pressures) change. It completes a record
// on its own clock's minute, every historyCircle minutes: the record takes the live values, 0x1E moves on,
// 0x1B grows, and byte 0 of the new current record counts the whole minutes since then (a completed
// record's byte 0 holds the minutes of its interval). New settings are taken kSettingsDelay seconds after
// the PC writes 0xAA to 0x1A, which is then cleared to 0x00. The station's clock may run fast or slow
// against simulated time.
constexpr double kSettingsDelay = 3;

class SimStation {
public:
    // A station that has been logging for weeks up to config.start (seconds since the epoch): a full ring
    // of 4,079 completed records at config.interval minutes, its newest address somewhere in the middle of
    // the ring, one wrap of the rain counter among them. The phases and the drift come from config, or
    // from the seed.
    SimStation(std::uint64_t seed, const SimConfig& config);

    // Moves simulated time on to `now`: sensor messages, logging moments and the taking of new settings
    // happen in their order as they fall due. Time never runs backwards.
    void advanceTo(double now);

    // The station's clock at the present simulated time; its drift in seconds a day, from now on.
    double stationClock() const { return stationAt(now_); }
    void setDrift(double secondsPerDay);

    // Station bytes [address, address + length), addresses wrapping past 0xFFFF.
    void read(unsigned address, std::uint8_t* out, int length) const;

    // A block written by the PC. Bytes 0x1E-0x1F (the newest record's address) belong to the station's
    // own ring keeping and are not overwritten; 0x55 at 0x1A loads the defaults at once, and 0xAA there has
    // the new settings taken kSettingsDelay seconds later.
    void writeBlock(unsigned address, const std::uint8_t* data, int length);
    void writeByte(unsigned address, std::uint8_t value);

    // Direct access for tests: no protocol, no side effects.
    void poke(unsigned address, const std::uint8_t* data, int length);

    double now() const { return now_; }

    // Seconds between the present and the nearest sensor message or logging moment (either side), in
    // simulated time; and the simulated time of the next sensor message.
    double secondsFromNearestMoment() const;
    double nextSensorMessage() const { return nextSensor_; }

    // A station whose firmware hung answers nothing, though it goes on logging, until its power is taken
    // away and restored. Every restoring is counted, so that each program on a kept station sees it.
    bool locked() const { return locked_; }
    void lockUp() { locked_ = true; }
    void restorePower() {
        locked_ = false;
        ++powerCycles_;
    }
    std::uint32_t powerCycles() const { return powerCycles_; }

    // The whole station, kept between runs: its clock, the record being filled, the weather still to come,
    // whether it hung, and its memory. A station restored from what saveTo wrote goes on exactly as the saved
    // one would have. restoreFrom leaves the station as it was when the bytes do not read, are not used up or
    // make no sense.
    void saveTo(StateWriter& out) const;
    bool restoreFrom(StateReader& in);

private:
    // Lays the ring out with `layout` as its present, logging moments `logOffset` seconds after each
    // multiple of the interval since the epoch and sensor messages `sensorOffset` seconds after each
    // multiple of kSensorPeriod.
    SimStation(std::uint64_t seed, int interval, double layout, double logOffset, double sensorOffset);
    double stationAt(double simTime) const { return clockAnchor_ + (simTime - simAnchor_) * clockRate_; }
    double simAt(double stationTime) const { return simAnchor_ + (stationTime - clockAnchor_) / clockRate_; }
    void sensorMessage(double at);
    void completeCurrentRecord();
    void takeSettings();
    void writeLiveValues();
    void writeMinuteCount();
    void applyUpdateRequest(bool flagWritten);
    unsigned currentAddress() const;
    int intervalSetting() const;

    Memory memory_{};
    WeatherModel model_;
    std::uint64_t rainOffset_ = 0; // added to the model's rain so that the counter wraps inside the ring
    double now_ = 0;               // simulated time
    // The station's clock: clockAnchor_ at simulated time simAnchor_, running clockRate_ times as fast.
    double simAnchor_ = 0;
    double clockAnchor_ = 0;
    double clockRate_ = 1;
    double recordStart_ = 0;  // station clock: the logging moment at which the record being filled began
    double nextLog_ = 0;      // station clock: the logging moment at which it will be completed
    int currentInterval_ = 5; // its length in minutes
    int takenInterval_ = 5;   // the interval of the settings the station has taken, for the records after it
    double nextSensor_ = 0;   // simulated time of the next sensor message
    double settingsDue_ = -1; // simulated time at which the station takes new settings; negative: none asked
    Reading previous_;        // the newest completed record
    Reading target_;          // where the weather goes by the end of the record being filled
    Reading live_;            // the live values, as the last sensor message brought them
    bool locked_ = false;
    std::uint32_t powerCycles_ = 0;
};

// The slot after `address` in the ring (0xFFF0 is followed by 0x0100).
inline unsigned nextSlot(unsigned address) {
    return address >= kLastSlot ? kFirstSlot : address + 16;
}
inline unsigned previousSlot(unsigned address) {
    return address <= kFirstSlot ? kLastSlot : address - 16;
}

} // namespace nimbrel::sim
