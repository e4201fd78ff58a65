#include "tests/support/scripted_usb.h"

#include <algorithm>

namespace nimbrel::testing {

namespace {

class Forwarder final : public UsbLibrary {
public:
    explicit Forwarder(ScriptedUsb& target) : target_(target) {}
    int findHandle(int v, int p) override { return target_.findHandle(v, p); }
    FindFailure findFailure() const override { return target_.findFailure(); }
    bool checkHandle(int h) override { return target_.checkHandle(h); }
    bool writeData(int h, const std::uint8_t* r) override { return target_.writeData(h, r); }
    bool readData(int h, std::uint8_t* r) override { return target_.readData(h, r); }
    std::string deviceKey(int h) const override { return target_.deviceKey(h); }

private:
    ScriptedUsb& target_;
};

} // namespace

void ScriptedUsb::queueBytes(const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        Report r{};
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                    std::min<std::size_t>(8, bytes.size() - i), r.begin());
        queueReport(r);
    }
}

void ScriptedUsb::emulateStation(std::vector<std::uint8_t> memory) {
    emulating_ = true;
    memory_ = std::move(memory);
    memory_.resize(0x10000, 0);
}

std::vector<Report> ScriptedUsb::frames() const {
    std::vector<Report> out;
    int dataLeft = 0;
    for (const Report& r : sent) {
        if (dataLeft > 0) {
            --dataLeft;
            continue;
        }
        if (r[0] == 0x57) dataLeft = 4;
        out.push_back(r);
    }
    return out;
}

std::unique_ptr<UsbLibrary> ScriptedUsb::library() {
    return std::make_unique<Forwarder>(*this);
}

int ScriptedUsb::findHandle(int, int) {
    ++findCalls;
    return handleToReturn;
}

bool ScriptedUsb::checkHandle(int) {
    ++checkCalls;
    return attached;
}

bool ScriptedUsb::writeData(int, const std::uint8_t* report8) {
    ++writeCalls;
    if (failWrites_ > 0) {
        --failWrites_;
        return false;
    }
    Report r;
    std::copy_n(report8, 8, r.begin());
    const bool data = writeDataLeft_ > 0;
    if (data)
        --writeDataLeft_;
    else if (r[0] == 0x57)
        writeDataLeft_ = 4;
    sent.push_back(r);
    if (emulating_) station(r, data);
    return true;
}

bool ScriptedUsb::readData(int, std::uint8_t* report8) {
    ++readCalls;
    if (failReadsFrom_ >= 0 && readCalls >= failReadsFrom_) return false;
    if (failReads_ > 0) {
        --failReads_;
        return false;
    }
    if (answers_.empty()) return false;
    std::copy(answers_.front().begin(), answers_.front().end(), report8);
    answers_.pop_front();
    return true;
}

void ScriptedUsb::station(const Report& r, bool data) {
    auto ack = [this] {
        Report a;
        a.fill(refusedAcks_.count(acks_) ? 0x00 : 0xA5);
        ++acks_;
        queueReport(a);
    };
    if (data) {
        for (std::uint8_t b : r) memory_[writeAddress_++ & 0xFFFF] = b;
        if (writeDataLeft_ == 0) ack();
        return;
    }
    const unsigned address = (unsigned{r[1]} << 8) | r[2];
    if (r[0] == 0x52) {
        std::vector<std::uint8_t> block(32);
        for (unsigned i = 0; i < 32; ++i) block[i] = memory_[(address + i) & 0xFFFF];
        queueBytes(block);
    } else if (r[0] == 0x57) {
        writeAddress_ = address;
    } else if (r[0] == 0x42) {
        memory_[address] = r[5];
        ack();
    }
}

} // namespace nimbrel::testing
