// ScriptedUsb: a fake USB library for tests that records every report sent and plays back answers.
//
// Two ways to script it, which can be mixed:
//  - by hand: queueReport()/queueBytes() put answers in the read queue, played back in order;
//    when the queue is empty readData fails (a silent station);
//  - as a station: emulateStation() gives it a 64 KiB memory; every read, write and byte-write
//    frame it receives is carried out on that memory and its answers (four data reports, or the
//    0xA5 acknowledgement) are queued, so tests can run whole operations without scripting them.
// Failures: failWrites(n) / failReads(n) make the next n calls fail; refuseAck(k) makes the k-th
// acknowledgement of the emulated station (0-based) one refusal byte instead of 0xA5.
//
// The link owns its library, so hand it library() (a forwarding object) and keep the ScriptedUsb.
#pragma once

#include "station/usb_library.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <vector>

namespace nimbrel::testing {

using Report = std::array<std::uint8_t, 8>;

class ScriptedUsb final : public UsbLibrary {
public:
    // What findHandle returns (-1 = no station), what findFailure says, and what checkHandle answers.
    int handleToReturn = 3;
    FindFailure failureToReport = FindFailure::noStation;
    bool attached = true;
    // What deviceKey names the station by (empty: no timing shared with other programs).
    std::string key;

    // Every report handed over by a successful writeData call, in order.
    std::vector<Report> sent;
    // Calls of each entry point, failed ones included.
    long findCalls = 0, checkCalls = 0, writeCalls = 0, readCalls = 0;

    void queueReport(const Report& report) { answers_.push_back(report); }
    // Splits bytes into 8-byte reports (the last one padded with zeros).
    void queueBytes(const std::vector<std::uint8_t>& bytes);
    void queueAck() { queueReport({0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5}); }

    void failWrites(int n) { failWrites_ = n; }
    void failReads(int n) { failReads_ = n; }
    // Every read from the call numbered `call` (counted as readCalls counts them) on fails; -1: none.
    void failReadsFrom(long call) { failReadsFrom_ = call; }

    // Turns on the station emulation with this memory (all zeros when empty).
    void emulateStation(std::vector<std::uint8_t> memory = {});
    std::vector<std::uint8_t>& memory() { return memory_; }
    void refuseAck(int k) { refusedAcks_.insert(k); }
    int acksGiven() const { return acks_; }

    // Only the command frames among the reports sent: the four data reports after each write frame
    // are left out. Clear sent only between operations.
    std::vector<Report> frames() const;

    // A library object that forwards to this one, for StationLink to own.
    std::unique_ptr<UsbLibrary> library();

    int findHandle(int vendorId, int productId) override;
    FindFailure findFailure() const override { return failureToReport; }
    bool checkHandle(int handle) override;
    bool writeData(int handle, const std::uint8_t* report8) override;
    bool readData(int handle, std::uint8_t* report8) override;
    std::string deviceKey(int /*handle*/) const override { return key; }

private:
    void station(const Report& report, bool data);

    std::deque<Report> answers_;
    int failWrites_ = 0, failReads_ = 0;
    long failReadsFrom_ = -1;
    bool emulating_ = false;
    std::vector<std::uint8_t> memory_;
    std::set<int> refusedAcks_;
    int acks_ = 0;
    int writeDataLeft_ = 0; // data reports still expected after a write frame
    unsigned writeAddress_ = 0;
};

} // namespace nimbrel::testing
