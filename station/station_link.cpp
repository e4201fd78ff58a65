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

bool StationLink::sendWithRetries(const std::uint8_t* report8) {
    for (int attempt = 0; attempt < pollBound; ++attempt)
        if (sendReport(report8)) return true;
    return false;
}

bool StationLink::receiveWithRetries(std::uint8_t* report8) {
    for (int attempt = 0; attempt < pollBound; ++attempt)
        if (receiveReport(report8)) return true;
    return false;
}

bool StationLink::receiveAcknowledgement() {
    Report answer{};
    if (!receiveWithRetries(answer.data())) return false;
    return std::all_of(answer.begin(), answer.end(), [](std::uint8_t b) { return b == kAck; });
}

bool StationLink::readMemory(unsigned start, std::uint8_t* dst, int& length) {
    if (length <= 0) {
        length = 0;
        if (testMode_) clock_.sleepFor(kTestModeWait);
        return true;
    }
    if (testMode_) {
        // Only the part inside the image is copied; a read past 0xFFFF gets zeros for the rest.
        const std::size_t from = start & 0xFFFF;
        const std::size_t inside =
            std::min<std::size_t>(static_cast<std::size_t>(length), kStationMemorySize - from);
        std::memcpy(dst, testImage_->data() + from, inside);
        std::memset(dst + inside, 0, static_cast<std::size_t>(length) - inside);
        clock_.sleepFor(kTestModeWait);
        return true;
    }
    bool result = true;
    int offset = 0;
    while (offset < length) {
        const Report frame = blockFrame(kRead, start + static_cast<unsigned>(offset));
        if (!sendReport(frame.data())) {
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
    if (length <= 0) {
        length = 0;
        if (testMode_) clock_.sleepFor(kTestModeWait);
        return true;
    }
    if (testMode_) {
        const std::size_t from = start & 0xFFFF;
        const std::size_t inside =
            std::min<std::size_t>(static_cast<std::size_t>(length), kStationMemorySize - from);
        std::memcpy(testImage_->data() + from, src, inside);
        clock_.sleepFor(kTestModeWait);
        return true;
    }
    bool result = true;
    int offset = 0;
    while (offset < length) {
        const Report frame = blockFrame(kWrite, start + static_cast<unsigned>(offset));
        if (!sendReport(frame.data())) {
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
    if (testMode_) {
        (*testImage_)[address & 0xFFFF] = value;
        clock_.sleepFor(kTestModeWait);
        return true;
    }
    Report frame = blockFrame(kWriteByte, address);
    frame[5] = value;
    frame[6] = 0x00;
    if (!sendReport(frame.data())) return false;
    clock_.sleepFor(kFrameWait);
    return receiveAcknowledgement();
}

} // namespace nimbrel
