#include "station/station_link.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace nimbrel {

namespace {

using Report = std::array<std::uint8_t, kReportSize>;

constexpr std::uint8_t kRead = 0x52, kWrite = 0x57, kWriteByte = 0x42, kBlock = 0x20, kAck = 0xA5;
constexpr int kBlockSize = 32;
constexpr auto kFrameWait = std::chrono::milliseconds(50);
constexpr auto kTestModeWait = std::chrono::milliseconds(200);

Report blockFrame(std::uint8_t command, unsigned address) {
    const auto high = static_cast<std::uint8_t>((address >> 8) & 0xFF);
    const auto low = static_cast<std::uint8_t>(address & 0xFF);
    return {command, high, low, kBlock, command, high, low, kBlock};
}

// The part of a test-mode transfer that lies in the 64 KiB image: the start wraps to the image, and a
// transfer running past its end stops there.
struct ImageSpan {
    std::size_t from;
    std::size_t inside;
};

ImageSpan imageSpan(unsigned start, int length) {
    const std::size_t from = start & 0xFFFF;
    return {from, std::min<std::size_t>(static_cast<std::size_t>(length), kStationMemorySize - from)};
}

} // namespace

StationLink::StationLink(std::unique_ptr<UsbLibrary> library, Clock& clock, bool testMode)
    : library_(library ? std::move(library) : noUsbLibrary("no USB library")), clock_(clock),
      testMode_(testMode), testImage_(std::make_unique<StationImage>()) {}

bool StationLink::findStation(int vendorId, int productId) {
    if (testMode_) {
        buildTestImage(*testImage_);
        return true;
    }
    handle_ = library_->findHandle(vendorId, productId);
    return handle_ != -1;
}

bool StationLink::checkStation() {
    if (testMode_) return true;
    if (!library_->checkHandle(handle_)) {
        handle_ = -1;
        return false;
    }
    return true;
}

bool StationLink::sendReport(const std::uint8_t* report8) {
    return handle_ != -1 && library_->writeData(handle_, report8);
}

bool StationLink::receiveReport(std::uint8_t* report8) {
    return handle_ != -1 && library_->readData(handle_, report8);
}

template <class Transfer> bool StationLink::retried(Transfer transfer) {
    const Clock::TimePoint deadline = clock_.now() + kTransferTimeLimit;
    for (int attempt = 0; attempt < pollBound; ++attempt) {
        if (transfer()) return true;
        if (retriesAbandoned_ || clock_.now() >= deadline) return false;
    }
    return false;
}

bool StationLink::sendWithRetries(const std::uint8_t* report8) {
    return retried([&] { return sendReport(report8); });
}

bool StationLink::receiveWithRetries(std::uint8_t* report8) {
    return retried([&] { return receiveReport(report8); });
}

bool StationLink::sendCommand(const std::uint8_t* frame8) {
    if (guard_ && !guard_()) return false;
    return sendReport(frame8);
}

bool StationLink::emptyTransfer(int& length) {
    length = 0;
    if (testMode_) clock_.sleepFor(kTestModeWait);
    return true;
}

bool StationLink::receiveAcknowledgement() {
    Report answer{};
    if (!receiveWithRetries(answer.data())) return false;
    return std::all_of(answer.begin(), answer.end(), [](std::uint8_t b) { return b == kAck; });
}

bool StationLink::readMemory(unsigned start, std::uint8_t* dst, int& length) {
    if (length <= 0) return emptyTransfer(length);
    if (testMode_) {
        // A read past 0xFFFF gets zeros for the rest.
        const ImageSpan span = imageSpan(start, length);
        std::memcpy(dst, testImage_->data() + span.from, span.inside);
        std::memset(dst + span.inside, 0, static_cast<std::size_t>(length) - span.inside);
        clock_.sleepFor(kTestModeWait);
        return true;
    }
    bool result = true;
    int offset = 0;
    while (offset < length) {
        const Report frame = blockFrame(kRead, start + static_cast<unsigned>(offset));
        if (!sendCommand(frame.data())) {
            result = false;
            break;
        }
        clock_.sleepFor(kFrameWait);
        bool received = true;
        for (int chunk = 0; chunk < 4 && received; ++chunk) {
            Report data{};
            received = receiveWithRetries(data.data());
            if (!received) break;
            const int at = offset + chunk * kReportSize;
            const int fits = std::min(kReportSize, length - at);
            if (fits > 0) std::memcpy(dst + at, data.data(), static_cast<std::size_t>(fits));
        }
        if (!received) {
            result = false;
            break;
        }
        offset += kBlockSize;
    }
    length = offset;
    return result;
}

bool StationLink::writeMemory(unsigned start, const std::uint8_t* src, int& length) {
    ++writesStarted_;
    if (length <= 0) return emptyTransfer(length);
    if (testMode_) {
        const ImageSpan span = imageSpan(start, length);
        std::memcpy(testImage_->data() + span.from, src, span.inside);
        clock_.sleepFor(kTestModeWait);
        return true;
    }
    bool result = true;
    int offset = 0;
    while (offset < length) {
        const Report frame = blockFrame(kWrite, start + static_cast<unsigned>(offset));
        if (!sendCommand(frame.data())) {
            result = false;
            break;
        }
        for (int chunk = 0; chunk < 4; ++chunk) {
            // Bytes past the caller's buffer are never read; the block is padded with zeros.
            Report data{};
            const int at = offset + chunk * kReportSize;
            const int fits = std::min(kReportSize, length - at);
            if (fits > 0) std::memcpy(data.data(), src + at, static_cast<std::size_t>(fits));
            if (!sendWithRetries(data.data())) result = false;
        }
        clock_.sleepFor(kFrameWait);
        if (!receiveAcknowledgement()) result = false;
        offset += kBlockSize;
    }
    length = offset;
    return result;
}

bool StationLink::writeByte(unsigned address, std::uint8_t value) {
    ++writesStarted_;
    if (testMode_) {
        (*testImage_)[address & 0xFFFF] = value;
        clock_.sleepFor(kTestModeWait);
        return true;
    }
    Report frame = blockFrame(kWriteByte, address);
    frame[5] = value;
    frame[6] = 0x00;
    if (!sendCommand(frame.data())) return false;
    clock_.sleepFor(kFrameWait);
    return receiveAcknowledgement();
}

} // namespace nimbrel
