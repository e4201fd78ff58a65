#include "usb/sim/sim_device.h"

#include "usb/hid/nimbrel_usb.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace nimbrel::sim {
namespace {

constexpr std::uint8_t kRead = 0x52;
constexpr std::uint8_t kWrite = 0x57;
constexpr std::uint8_t kWriteByte = 0x42;
constexpr std::uint8_t kBlockLength = 0x20;
constexpr std::uint8_t kAck = 0xA5;
// A state file is a little over 64 KiB; anything much larger is not one.
constexpr std::size_t kStateFileLimit = 1 << 20;
// Programs add to the stats file at most this often (real time), and when they end.
constexpr std::chrono::milliseconds kStatsPeriod{500};
constexpr unsigned kNewestAddress = 0x1E;

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

SimConfig withStart(SimConfig config) {
    if (config.start < 0) config.start = realNowSeconds();
    return config;
}

} // namespace

SimDevice::SimDevice(const SimConfig& config)
    : config_(withStart(config)), station_(config_.seed, config_), faultRandom_(config_.seed ^ 0xFA017ull),
      hazardRandom_(config_.seed ^ 0x4A2A4D5ull), lastFlush_(std::chrono::steady_clock::now()) {
    restartRealTime();
    // A station steered from outside is kept from the start, so that every program on it shares it.
    if (!config_.stateFile.empty() && !loadState() && (config_.hazards || !config_.controlFile.empty()))
        saveState();
    hazardsFrom_ = config_.start + config_.lockupAfter;
}

SimDevice::~SimDevice() {
    flushStats();
}

void SimDevice::restartRealTime() {
    realFixed_ = wallClockFixed();
    realMark_ = realFixed_ ? wallClockSeconds() : steadySeconds();
    elapsedAtMark_ = lastElapsed_ = 0;
}

double SimDevice::realElapsed() {
    const bool fixed = wallClockFixed();
    const double real = fixed ? wallClockSeconds() : steadySeconds();
    if (fixed != realFixed_) { // the test fixed the clock or let it go: time goes on from where it was
        realFixed_ = fixed;
        realMark_ = real;
        elapsedAtMark_ = lastElapsed_;
    }
    lastElapsed_ = std::max(lastElapsed_, elapsedAtMark_ + real - realMark_);
    return lastElapsed_;
}

bool SimDevice::loadState() {
    stateStamp_ = stampOf(config_.stateFile);
    const auto file = readWholeFile(config_.stateFile, kStateFileLimit);
    if (!file) return false;
    const auto state = unwrapState(*file);
    if (!state || !std::isfinite(state->savedAt)) return false;
    StateReader in(state->station.data(), state->station.size());
    const std::uint32_t powerCycles = station_.powerCycles();
    if (!station_.restoreFrom(in)) return false;
    station_.setDrift(config_.drift); // the drift is this run's setting, like the speed
    // While no program ran it the station's clock went on at its speed; a clock set back gives no time.
    const double realGap = std::max(0.0, wallClockSeconds() - state->savedAt);
    config_.start =
        std::max(station_.now(), std::min(station_.now() + realGap * config_.speed, kLatestSimTime));
    restartRealTime();
    extraSeconds_ = 0;
    catchUp(); // completes the records that fell due meanwhile
    // Another program took the power away and restored it: this handle is gone.
    if (station_.powerCycles() != powerCycles) {
        handle_ = -1;
        forgetExchange();
    }
    return true;
}

void SimDevice::takeOtherProgramsSave() {
    if (!config_.stateFile.empty() && stampOf(config_.stateFile) != stateStamp_) loadState();
}

void SimDevice::saveState() {
    if (config_.stateFile.empty()) return;
    StateWriter station;
    station_.saveTo(station);
    std::string error;
    if (replaceFileAtomically(config_.stateFile, wrapState(wallClockSeconds(), station.bytes()), error)) {
        stateStamp_ = stampOf(config_.stateFile);
        return;
    }
    if (saveFailureTold_) return;
    saveFailureTold_ = true;
    std::fprintf(stderr,
                 "libnimbrel-sim: the simulated station cannot be kept in %s (%s); it goes on without\n",
                 config_.stateFile.c_str(), error.c_str());
}

double SimDevice::now() {
    return config_.start + realElapsed() * config_.speed + extraSeconds_;
}

void SimDevice::catchUp() {
    station_.advanceTo(now());
}

int SimDevice::find(int vid, int pid) {
    if (!attached_ || vid != config_.vid || pid != config_.pid) {
        findFailure_ = NIMBREL_FIND_NO_STATION;
        return -1;
    }
    if (config_.denied) {
        findFailure_ = NIMBREL_FIND_ACCESS_DENIED;
        return -1;
    }
    findFailure_ = NIMBREL_FIND_FOUND;
    takeOtherProgramsSave();
    catchUp();
    if (handle_ == -1) {
        handle_ = nextHandle_++;
        forgetExchange();
    }
    return handle_;
}

bool SimDevice::check(int handle) {
    if (handle == -1 || handle != handle_) return false;
    catchUp();
    return true;
}

void SimDevice::setAttached(bool attached) {
    attached_ = attached;
    if (!attached) handle_ = -1;
}

SimDevice::Faults SimDevice::drawFaults() {
    Faults f;
    f.unplug = faultRandom_.uniform() < config_.unplugFaults;
    f.silent = faultRandom_.uniform() < config_.silentFaults;
    f.refuse = faultRandom_.uniform() < config_.ackFaults;
    f.reportsBeforeSilence = faultRandom_.between(0, 3);
    f.refusedByte = faultRandom_.between(0, 7);
    f.refusedValue = static_cast<std::uint8_t>(faultRandom_.between(0, 254));
    if (f.refusedValue >= kAck) ++f.refusedValue; // anything but 0xA5
    return f;
}

bool SimDevice::write(int handle, const std::uint8_t* bytes) {
    if (handle == -1 || handle != handle_) return false;
    Report report;
    std::copy(bytes, bytes + 8, report.begin());
    if (collectingWrite_) {
        std::copy(report.begin(), report.end(), writeData_.begin() + 8 * writeReports_);
        if (++writeReports_ == 4) finishWrite();
        return true;
    }
    ++frames_;
    ++unflushed_.frames;
    if (std::chrono::steady_clock::now() - lastFlush_ >= kStatsPeriod) flushStats();
    const Faults faults = drawFaults();
    if (faults.unplug) {
        handle_ = -1;
        forgetExchange();
        return false;
    }
    forgetExchange(); // a new command: whatever the last one left unread is gone
    takeOtherProgramsSave();
    catchUp();
    actOnControlFile();
    if (handle != handle_) return false; // the power was taken away and restored: this handle is gone
    if (station_.locked()) ++unflushed_.framesLocked;
    meetHazards();
    command(report, faults);
    return true;
}

void SimDevice::forgetExchange() {
    answers_.clear();
    pendingRead_.reset();
    collectingWrite_ = false;
}

void SimDevice::actOnControlFile() {
    if (config_.controlFile.empty()) return;
    for (const std::string& line : takeControlLines(config_.controlFile)) {
        if (line == "lockup")
            lockUp();
        else if (line == "power")
            restorePower();
    }
}

void SimDevice::meetHazards() {
    if (!lockupsApply() || station_.secondsFromNearestMoment() > config_.lockupMargin) return;
    if (station_.now() < hazardsFrom_) {
        ++unflushed_.framesInMarginLearning;
        return;
    }
    ++unflushed_.framesInMargin;
    if (station_.locked() || !(hazardRandom_.uniform() < config_.lockupChance)) return;
    ++unflushed_.lockups;
    lockUp();
}

void SimDevice::lockUp() {
    catchUp();
    if (station_.locked()) return;
    station_.lockUp();
    answers_.clear(); // what it had not yet sent never comes
    pendingRead_.reset();
    saveState();
}

void SimDevice::restorePower() {
    catchUp();
    station_.restorePower();
    handle_ = -1; // as if unplugged and plugged in again
    forgetExchange();
    saveState();
}

void SimDevice::flushStats() {
    lastFlush_ = std::chrono::steady_clock::now();
    if (config_.statsFile.empty()) return;
    std::string error;
    if (addToStatsFile(config_.statsFile, unflushed_, error)) {
        unflushed_ = {};
        return;
    }
    if (statsFailureTold_) return;
    statsFailureTold_ = true;
    std::fprintf(stderr, "libnimbrel-sim: cannot add to the stats file %s (%s)\n", config_.statsFile.c_str(),
                 error.c_str());
}

std::string SimDevice::key() const {
    if (config_.stateFile.empty()) return "sim-seed:" + std::to_string(config_.seed);
    std::error_code error;
    const auto path = std::filesystem::absolute(config_.stateFile, error);
    return "sim-state:" + (error ? config_.stateFile : path.lexically_normal().string());
}

void SimDevice::command(const Report& f, const Faults& faults) {
    const unsigned address = (f[1] << 8) | f[2];
    const bool repeated = f[4] == f[0] && f[5] == f[1] && f[6] == f[2] && f[7] == f[3];
    // A hung station answers nothing, but still swallows the data reports of a write frame.
    const bool locked = station_.locked();
    if (f[0] == kRead && repeated && f[3] == kBlockLength) {
        if (locked) return;
        const int reports = faults.silent ? faults.reportsBeforeSilence : 4;
        if (tornReadsApply()) {
            if (reports == 0) return;
            std::uint8_t newest[2];
            station_.read(kNewestAddress, newest, 2);
            const unsigned current = newest[0] | (newest[1] << 8);
            const bool covers = ((current - address) & 0xFFFF) < 32 || ((address - current) & 0xFFFF) < 16;
            pendingRead_ = PendingRead{address, reports, 0, station_.nextSensorMessage(), covers};
            return;
        }
        std::array<std::uint8_t, 32> data{};
        station_.read(address, data.data(), 32);
        for (int k = 0; k < reports; ++k) {
            Report r;
            std::copy(data.begin() + 8 * k, data.begin() + 8 * k + 8, r.begin());
            answers_.push_back(r);
        }
    } else if (f[0] == kWrite && repeated && f[3] == kBlockLength) {
        collectingWrite_ = true;
        writeAddress_ = address;
        writeReports_ = 0;
        writeFaults_ = faults;
    } else if (f[0] == kWriteByte && f[4] == kWriteByte && f[3] == kBlockLength && f[7] == kBlockLength) {
        if (locked) return;
        if (!faults.refuse) {
            station_.writeByte(address, f[5]);
            saveState();
        }
        answerAcknowledgement(faults);
    }
    // Anything else is not understood and gets no answer.
}

void SimDevice::finishWrite() {
    collectingWrite_ = false;
    if (station_.locked()) return;
    catchUp();
    if (!writeFaults_.refuse) {
        station_.writeBlock(writeAddress_, writeData_.data(), 32);
        saveState();
    }
    answerAcknowledgement(writeFaults_);
}

void SimDevice::answerAcknowledgement(const Faults& faults) {
    if (faults.silent) return;
    Report ack;
    ack.fill(kAck);
    if (faults.refuse) ack[faults.refusedByte] = faults.refusedValue;
    answers_.push_back(ack);
}

bool SimDevice::read(int handle, std::uint8_t* out) {
    if (handle == -1 || handle != handle_) return false;
    if (pendingRead_) return handOverReadReport(out);
    if (answers_.empty()) return false;
    std::copy(answers_.front().begin(), answers_.front().end(), out);
    answers_.pop_front();
    return true;
}

bool SimDevice::handOverReadReport(std::uint8_t* out) {
    catchUp();
    PendingRead& read = *pendingRead_;
    station_.read(read.address + 8 * static_cast<unsigned>(read.handedOver), out, 8);
    if (++read.handedOver < read.reports) return true;
    if (read.coversCurrent && station_.now() >= read.sensorDue) ++unflushed_.tornReads;
    pendingRead_.reset();
    return true;
}

void SimDevice::peek(unsigned address, std::uint8_t* out, int length) {
    catchUp();
    station_.read(address, out, length);
}

void SimDevice::poke(unsigned address, const std::uint8_t* data, int length) {
    catchUp();
    station_.poke(address, data, length);
}

} // namespace nimbrel::sim
