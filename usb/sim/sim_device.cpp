#include "usb/sim/sim_device.h"

#include "usb/hid/nimbrel_usb.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace nimbrel::sim {
namespace {

constexpr std::uint8_t kRead = 0x52;
constexpr std::uint8_t kWrite = 0x57;
constexpr std::uint8_t kWriteByte = 0x42;
constexpr std::uint8_t kBlockLength = 0x20;
constexpr std::uint8_t kAck = 0xA5;
// A state file is a little over 64 KiB; anything much larger is not one.
constexpr std::size_t kStateFileLimit = 1 << 20;

SimConfig withStart(SimConfig config) {
    if (config.start < 0) config.start = realNowSeconds();
    return config;
}

} // namespace

SimDevice::SimDevice(const SimConfig& config)
    : config_(withStart(config)), station_(config_.seed, config_), faultRandom_(config_.seed ^ 0xFA017ull),
      realStart_(std::chrono::steady_clock::now()) {
    if (!config_.stateFile.empty()) loadState();
}

void SimDevice::loadState() {
    stateStamp_ = stampOf(config_.stateFile);
    const auto file = readWholeFile(config_.stateFile, kStateFileLimit);
    if (!file) return;
    const auto state = unwrapState(*file);
    if (!state || !std::isfinite(state->savedAt)) return;
    StateReader in(state->station.data(), state->station.size());
    if (!station_.restoreFrom(in)) return;
    station_.setDrift(config_.drift); // the drift is this run's setting, like the speed
    // While no program ran it the station's clock went on at its speed; a clock set back gives no time.
    const double realGap = std::max(0.0, wallClockSeconds() - state->savedAt);
    config_.start =
        std::max(station_.now(), std::min(station_.now() + realGap * config_.speed, kLatestSimTime));
    realStart_ = std::chrono::steady_clock::now();
    extraSeconds_ = 0;
    catchUp(); // completes the records that fell due meanwhile
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
    const std::chrono::duration<double> real = std::chrono::steady_clock::now() - realStart_;
    return config_.start + real.count() * config_.speed + extraSeconds_;
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
        answers_.clear();
        collectingWrite_ = false;
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
    const Faults faults = drawFaults();
    if (faults.unplug) {
        handle_ = -1;
        answers_.clear();
        return false;
    }
    answers_.clear(); // a new command: whatever the last one left unread is gone
    takeOtherProgramsSave();
    catchUp();
    command(report, faults);
    return true;
}

void SimDevice::command(const Report& f, const Faults& faults) {
    const unsigned address = (f[1] << 8) | f[2];
    const bool repeated = f[4] == f[0] && f[5] == f[1] && f[6] == f[2] && f[7] == f[3];
    if (f[0] == kRead && repeated && f[3] == kBlockLength) {
        std::array<std::uint8_t, 32> data{};
        station_.read(address, data.data(), 32);
        const int reports = faults.silent ? faults.reportsBeforeSilence : 4;
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
    if (handle == -1 || handle != handle_ || answers_.empty()) return false;
    std::copy(answers_.front().begin(), answers_.front().end(), out);
    answers_.pop_front();
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
