// StationTiming: when the station takes its sensors' radio message and when it logs a record, learned
// from what the program reads, so that no exchange comes near either moment.
//
// The station's USB side can stop answering for good (until its power is taken away) when the PC talks
// to it while it takes its outdoor sensors' message (every 48 s) or writes a history record (on its own
// minute, every historyCircle minutes). Both moments show in its memory:
//  - the live values of the current record (its bytes 1-15) change at each sensor message;
//  - byte 0 of the current record counts the whole minutes since the last record was completed, so its
//    change shows the station's minute, and the pointer at 0x1E moves on at each logging moment.
// A change seen between two reads at most kPreciseGap apart places its moment. Every later change must
// fall where the period puts it, or what was learned is dropped and has to be seen twice before it is
// kept again: a simulator that stands still or runs 300 times faster fits neither period, and then
// nothing waits. Times are seconds since the epoch on the program's clock.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

namespace nimbrel {

// Of the moments anchor + k * period: the first not before t, and the last not after it.
inline double momentAtOrAfter(double anchor, double period, double t) {
    return anchor + std::ceil((t - anchor) / period) * period;
}
inline double momentAtOrBefore(double anchor, double period, double t) {
    return anchor + std::floor((t - anchor) / period) * period;
}

// One moment that comes back every `period` seconds.
class Beat {
public:
    // A change seen between two reads this close places its moment.
    static constexpr double kPreciseGap = 2.0;
    // How far a later change may fall from where the period puts it, beyond what is not known.
    static constexpr double kTolerance = 1.0;
    // Predicted moments in a row with no change seen around them before the beat is dropped.
    static constexpr int kSilentLimit = 3;

    explicit Beat(double period) : period_(period) {}

    // What the beat moves changed somewhere in (from, to], or stayed as it was over [from, to].
    void changed(double from, double to);
    void unchanged(double from, double to);

    // Whether exchanges keep their margins from this beat's moments now.
    bool kept() const { return anchor_.has_value() && !awaitingConfirmation_; }
    // The first moment that is not before `t`, and the last one not after it (needs an anchor).
    double nextAt(double t) const;
    double lastAt(double t) const;
    // The earliest start not before `from` at which an exchange lasting `duration` stays more than
    // `margin` (plus what is not known of the moment) away from every predicted moment.
    double clearStart(double from, double duration, double margin) const;

    std::optional<double> anchor() const { return anchor_; }
    double spread() const { return spread_; }
    double period() const { return period_; }
    // When a change last placed the anchor, or last confirmed it.
    double lastSeen() const { return lastSeen_; }
    // When a precise change last placed the anchor.
    double placedAt() const { return placedAt_; }
    // Seconds a day that the moments have moved against the program's clock, from two placings at
    // least an hour apart; 0 until then.
    double driftPerDay() const { return driftPerDay_; }

    // Takes what another program learned: kept at once, but checked again by the next change when
    // `recheck` (it is old).
    void adopt(double anchor, double spread, double seen, double drift, bool recheck);
    void forget();

private:
    // The predicted moment that a change seen in (from, to] fits, if one does.
    std::optional<double> dueWithin(double from, double to) const;
    void place(double from, double to);

    double period_;
    std::optional<double> anchor_;
    double spread_ = 0;
    double lastSeen_ = 0;
    double placedAt_ = 0;
    double consumed_ = 0; // the moment that the last change was put down to
    std::optional<double> driftFrom_; // the placing that the drift is measured from
    double driftPerDay_ = 0;
    bool awaitingConfirmation_ = false; // placed anew after a change that did not fit: not kept yet
    bool doubted_ = false;              // a change did not fit since the last one that did
    int silent_ = 0;
};

// What was learned, for the status report and for sharing with other programs on the station.
struct TimingSnapshot {
    std::optional<double> sensorMoment; // one sensor message
    double sensorSpread = 0;
    bool sensorKept = false;
    std::optional<double> minuteMoment; // one turn of the station's minute
    double minuteSpread = 0;
    bool minuteKept = false;
    std::optional<double> loggingMoment; // one logging moment, on a minute
    int intervalMinutes = 0;
    double learnedAt = 0; // when the newest of them was seen
    double driftPerDay = 0;
};

class StationTiming {
public:
    static constexpr double kSensorPeriod = 48;
    static constexpr double kMinute = 60;
    // Learning that another program wrote this long ago is checked again before it is trusted.
    static constexpr double kShareFreshness = 3600;
    // How long a station exchange is taken to last, frame and answer, with room to spare.
    static constexpr double kExchangeSeconds = 0.25;

    explicit StationTiming(double marginSeconds = 3.0) : margin_(marginSeconds) {}
    void setMargin(double seconds);
    double margin() const;

    // Reads of the settings area (pointer and interval) and of the current record, each made over
    // [start, end]. The current record is the 16 bytes at the pointer.
    void notePointer(double start, double end, unsigned pointer, int intervalMinutes);
    void noteCurrentRecord(double start, double end, unsigned address, const std::array<std::uint8_t, 16>& bytes);

    // The pointer last read, 0 before any.
    unsigned pointer() const;
    // Whether the last read of the record at the pointer found it completed (byte 0 holds the interval):
    // the pointer has moved on since.
    bool currentRecordCompleted() const;
    // Whether any margin is kept now.
    bool kept() const;
    // Whether both moments are known, so that reads made only to learn them are no longer needed.
    bool learned() const;
    // The station's clock drifts against the PC's by a few seconds a day, so once learned, its minute is
    // placed again every kDriftCheck seconds: by two reads of the current record, one just before a turn
    // of the minute that is no logging moment and one just after it. The turn to watch when `now` is
    // the moment for the first of them (0.3 to 1.3 s before it); nothing otherwise.
    static constexpr double kDriftCheck = 600;
    std::optional<double> minuteToWatch(double now) const;
    // The earliest start, not before `now`, of an exchange that keeps the margins (now itself while
    // nothing is known).
    double clearStart(double now, double duration = kExchangeSeconds) const;
    // Whether a logging moment fell, or may have fallen, in [from, to]: true while they are unknown.
    bool loggingMomentMayFall(double from, double to) const;

    // When the newest completed record was completed, for its time stamp, with the pointer just read:
    // the last logging moment before `now` once the station's minute is known; otherwise the time of
    // a read of the current record at that pointer made in the last kFreshRead seconds, less its byte
    // 0's minutes and half a minute. Nothing without such a read.
    static constexpr double kFreshRead = 5;
    // The last logging moment not after `t`, once the logging moments are known.
    std::optional<double> loggingMomentBefore(double t) const;
    std::optional<double> lastLoggingMoment(unsigned pointer, double now) const;

    TimingSnapshot snapshot() const;
    // Takes another program's learning when it is newer than this one's; `now` tells its age.
    void adopt(const TimingSnapshot& other, double now);

private:
    struct RecordRead {
        double start = 0, end = 0;
        unsigned address = 0;
        std::array<std::uint8_t, 16> bytes{};
    };
    void placeLoggingMoment(const RecordRead& read);
    void setLogging(double moment, double seenAt);
    bool loggingKept() const;
    double learnedAtLocked() const;

    mutable std::mutex mutex_;
    double margin_;
    Beat sensor_{kSensorPeriod};
    Beat minute_{kMinute};
    std::optional<double> logging_; // a logging moment
    double loggingSeenAt_ = 0;      // when it was placed
    int interval_ = 0;
    unsigned pointer_ = 0;
    std::pair<double, double> pointerRead_{0, 0}; // the last read of the pointer: start and end
    std::optional<RecordRead> lastRead_;
};

} // namespace nimbrel
