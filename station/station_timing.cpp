#include "station/station_timing.h"

#include <algorithm>
#include <cmath>

namespace nimbrel {
namespace {

// The earliest start not before t of an exchange lasting `duration` that stays more than `guard` away
// from every moment anchor + k * period.
double clearOf(double t, double duration, double guard, double anchor, double period) {
    const double m = momentAtOrAfter(anchor, period, t - guard);
    return t + duration > m - guard ? std::max(t, m + guard) : t;
}

} // namespace

double Beat::nextAt(double t) const {
    return momentAtOrAfter(*anchor_, period_, t);
}

double Beat::lastAt(double t) const {
    return momentAtOrBefore(*anchor_, period_, t);
}

std::optional<double> Beat::dueWithin(double from, double to) const {
    const double tolerance = spread_ + kTolerance;
    double m = nextAt(from - tolerance);
    // The moment the last change was put down to cannot explain this one too.
    if (m < consumed_ + period_ / 2) m += period_;
    if (m <= to + tolerance) return m;
    return std::nullopt;
}

void Beat::place(double from, double to) {
    const double mid = (from + to) / 2;
    // Placings an hour or more after the first one tell how the station's clock runs against ours; the
    // longer the time between them, the better.
    if (!anchor_ || awaitingConfirmation_)
        driftFrom_.reset();
    else if (!driftFrom_)
        driftFrom_ = *anchor_;
    if (driftFrom_ && mid - *driftFrom_ >= 3600) {
        const double predicted = *driftFrom_ + std::round((mid - *driftFrom_) / period_) * period_;
        driftPerDay_ = (mid - predicted) / ((mid - *driftFrom_) / 86400.0);
    }
    anchor_ = consumed_ = mid;
    spread_ = (to - from) / 2;
    lastSeen_ = to;
    placedAt_ = mid;
}

void Beat::changed(double from, double to) {
    silent_ = 0;
    const bool precise = to - from <= kPreciseGap;
    const std::optional<double> due = anchor_ ? dueWithin(from, to) : std::nullopt;
    if (due) {
        consumed_ = *due;
        awaitingConfirmation_ = false;
        doubted_ = false;
        lastSeen_ = to;
        if (precise) place(from, to); // follows the drift
        return;
    }
    // A change where none was due: what was learned does not fit this station (or never was).
    if (anchor_) doubted_ = true;
    if (precise) {
        place(from, to);
        awaitingConfirmation_ = doubted_;
    } else {
        anchor_.reset();
    }
}

void Beat::unchanged(double from, double to) {
    if (!anchor_) return;
    const double tolerance = spread_ + kTolerance;
    if (nextAt(from + tolerance) > to - tolerance) return;
    if (++silent_ >= kSilentLimit) {
        anchor_.reset();
        doubted_ = true;
        silent_ = 0;
    }
}

double Beat::clearStart(double from, double duration, double margin) const {
    return kept() ? clearOf(from, duration, margin + spread_, *anchor_, period_) : from;
}

void Beat::adopt(double anchor, double spread, double seen, double drift, bool recheck) {
    anchor_ = consumed_ = anchor;
    driftFrom_.reset();
    spread_ = spread;
    lastSeen_ = placedAt_ = seen;
    driftPerDay_ = drift;
    awaitingConfirmation_ = false;
    doubted_ = recheck;
    silent_ = 0;
}

void Beat::forget() {
    anchor_.reset();
    driftFrom_.reset();
    awaitingConfirmation_ = doubted_ = false;
    silent_ = 0;
}

void StationTiming::setMargin(double seconds) {
    std::lock_guard lock(mutex_);
    margin_ = std::max(0.0, seconds);
}

double StationTiming::margin() const {
    std::lock_guard lock(mutex_);
    return margin_;
}

void StationTiming::notePointer(double start, double end, unsigned pointer, int intervalMinutes) {
    std::lock_guard lock(mutex_);
    if (intervalMinutes >= 1 && intervalMinutes <= 240) interval_ = intervalMinutes;
    if (pointer_ != 0 && pointer != pointer_) {
        // The station completed a record since the last look: that was on its minute.
        minute_.changed(pointerRead_.first, end);
        // The logging moment, when just one turn of the minute falls between the two looks.
        if (minute_.kept()) {
            const double tick = minute_.nextAt(pointerRead_.first - minute_.spread());
            if (tick <= end + minute_.spread() && tick + kMinute > end + minute_.spread()) setLogging(tick, end);
        }
    }
    pointer_ = pointer;
    pointerRead_ = {start, end};
}

void StationTiming::noteCurrentRecord(double start, double end, unsigned address,
                                      const std::array<std::uint8_t, 16>& bytes) {
    std::lock_guard lock(mutex_);
    if (lastRead_ && lastRead_->address == address) {
        const RecordRead& before = *lastRead_;
        if (!std::equal(bytes.begin() + 1, bytes.end(), before.bytes.begin() + 1))
            sensor_.changed(before.start, end);
        else
            sensor_.unchanged(before.end, start);
        if (bytes[0] != before.bytes[0])
            minute_.changed(before.start, end);
        else
            minute_.unchanged(before.end, start);
    }
    lastRead_ = RecordRead{start, end, address, bytes};
    placeLoggingMoment(*lastRead_);
}

void StationTiming::placeLoggingMoment(const RecordRead& read) {
    if (!minute_.kept() || interval_ == 0 || read.bytes[0] > 240) return;
    const double mid = (read.start + read.end) / 2;
    const double tick = minute_.lastAt(mid);
    // Too near the turn of a minute to tell which side of it byte 0 was read.
    const double unsure = minute_.spread() + (read.end - read.start) / 2 + 0.3;
    if (mid - tick < unsure || tick + kMinute - mid < unsure) return;
    setLogging(tick - read.bytes[0] * kMinute, read.end);
}

void StationTiming::setLogging(double moment, double seenAt) {
    if (logging_ && std::abs(*logging_ - moment) < 0.001) return;
    logging_ = moment;
    loggingSeenAt_ = seenAt;
}

unsigned StationTiming::pointer() const {
    std::lock_guard lock(mutex_);
    return pointer_;
}

bool StationTiming::currentRecordCompleted() const {
    std::lock_guard lock(mutex_);
    return lastRead_ && interval_ > 0 && lastRead_->bytes[0] >= interval_;
}

bool StationTiming::loggingKept() const {
    return minute_.kept() && logging_ && interval_ > 0;
}

bool StationTiming::kept() const {
    std::lock_guard lock(mutex_);
    return sensor_.kept() || loggingKept();
}

bool StationTiming::learned() const {
    std::lock_guard lock(mutex_);
    return sensor_.kept() && loggingKept();
}

std::optional<double> StationTiming::minuteToWatch(double now) const {
    std::lock_guard lock(mutex_);
    if (!loggingKept() || now - minute_.placedAt() < kDriftCheck) return std::nullopt;
    const double tick = minute_.nextAt(now);
    if (tick - now < 0.3 || tick - now > 1.3) return std::nullopt;
    const double period = interval_ * kMinute;
    const double sinceLogging = tick - momentAtOrBefore(*logging_, period, tick);
    if (sinceLogging < 1 || period - sinceLogging < 1) return std::nullopt;
    return tick;
}

double StationTiming::clearStart(double now, double duration) const {
    std::lock_guard lock(mutex_);
    double t = now;
    // Clearing one moment can only lead towards the next; a few rounds settle it.
    for (int round = 0; round < 4; ++round) {
        double next = sensor_.clearStart(t, duration, margin_);
        if (loggingKept())
            next = clearOf(next, duration, margin_ + minute_.spread(), *logging_, interval_ * kMinute);
        if (next == t) break;
        t = next;
    }
    return t;
}

bool StationTiming::loggingMomentMayFall(double from, double to) const {
    std::lock_guard lock(mutex_);
    if (!loggingKept()) return true;
    const double period = interval_ * kMinute;
    const double guard = minute_.spread() + Beat::kTolerance;
    const double m = momentAtOrAfter(*logging_, period, from - guard);
    return m <= to + guard;
}

std::optional<double> StationTiming::loggingMomentBefore(double t) const {
    std::lock_guard lock(mutex_);
    if (!loggingKept()) return std::nullopt;
    const double period = interval_ * kMinute;
    return momentAtOrBefore(*logging_, period, t);
}

std::optional<double> StationTiming::lastLoggingMoment(unsigned pointer, double now) const {
    if (pointer == this->pointer())
        if (auto moment = loggingMomentBefore(now)) return moment;
    std::lock_guard lock(mutex_);
    if (!lastRead_ || lastRead_->address != pointer || now - lastRead_->end > kFreshRead) return std::nullopt;
    return (lastRead_->start + lastRead_->end) / 2 - lastRead_->bytes[0] * kMinute - 30;
}

double StationTiming::learnedAtLocked() const {
    return std::max({sensor_.anchor() ? sensor_.lastSeen() : 0.0, minute_.anchor() ? minute_.lastSeen() : 0.0,
                     logging_ ? loggingSeenAt_ : 0.0});
}

TimingSnapshot StationTiming::snapshot() const {
    std::lock_guard lock(mutex_);
    TimingSnapshot s;
    s.sensorMoment = sensor_.anchor();
    s.sensorSpread = sensor_.spread();
    s.sensorKept = sensor_.kept();
    s.minuteMoment = minute_.anchor();
    s.minuteSpread = minute_.spread();
    s.minuteKept = minute_.kept();
    if (loggingKept()) s.loggingMoment = logging_;
    s.intervalMinutes = interval_;
    s.learnedAt = learnedAtLocked();
    s.driftPerDay = minute_.driftPerDay();
    return s;
}

void StationTiming::adopt(const TimingSnapshot& other, double now) {
    std::lock_guard lock(mutex_);
    // Learned at a time this program's clock has not reached: another timeline (a simulator started at
    // another time), not this station's moments.
    if (other.learnedAt <= learnedAtLocked() || other.learnedAt > now + kMinute) return;
    const bool recheck = now - other.learnedAt > kShareFreshness;
    if (other.sensorMoment && other.sensorKept)
        sensor_.adopt(*other.sensorMoment, other.sensorSpread, other.learnedAt, 0, recheck);
    if (other.minuteMoment && other.minuteKept) {
        minute_.adopt(*other.minuteMoment, other.minuteSpread, other.learnedAt, other.driftPerDay, recheck);
        if (other.loggingMoment && other.intervalMinutes > 0) {
            logging_ = other.loggingMoment;
            loggingSeenAt_ = other.learnedAt;
            interval_ = other.intervalMinutes;
        }
    }
}

} // namespace nimbrel
