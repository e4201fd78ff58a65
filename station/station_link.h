// StationLink: station memory read and written through 8-byte reports, or through the test image.
#pragma once

#include "station/clock.h"
#include "station/test_image.h"
#include "station/usb_library.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace nimbrel {

// The station's memory commands, one 8-byte frame each, address big-endian:
//   read 32 bytes  52 HH LL 20 52 HH LL 20  -> four 8-byte data reports
//   write 32 bytes 57 HH LL 20 57 HH LL 20  <- four data reports, then one acknowledgement
//   write one byte 42 HH LL 20 42 VV 00 20  -> one acknowledgement
// An acknowledgement is eight bytes 0xA5; anything else is a refusal.
//
// A report transfer that fails is retried at once until pollBound attempts in all have failed, or
// until kTransferTimeLimit has passed since its first attempt: a silent station, or a write that the
// station never takes and that blocks in the system, ends its retries there. After each command frame
// the link waits 50 ms; in test mode every operation works on the 64 KiB test image and takes 200 ms.
// All waits go through the clock.
//
// The link has no lock of its own: its callers keep operations from overlapping with stationBusy.
// Only the connection poll (findStation, checkStation) runs beside them, on the main thread.
class StationLink {
public:
    static constexpr int pollBound = 393217; // one attempt and 0x60000 retries
    static constexpr std::chrono::milliseconds kTransferTimeLimit{2000};

    StationLink(std::unique_ptr<UsbLibrary> library, Clock& clock, bool testMode);

    bool testMode() const { return testMode_; }
    // Kept here for StationAccess, which maintains it.
    bool connected() const { return connected_; }
    void setConnected(bool connected) { connected_ = connected; }
    int handle() const { return handle_; }
    const UsbLibrary& library() const { return *library_; }

    // Test mode: rebuilds the test image and succeeds. Otherwise asks the library for a station.
    bool findStation(int vendorId, int productId);
    // Test mode: true. Otherwise whether the station is still attached; a lost one drops the handle.
    bool checkStation();

    // One report each; false at once without a station.
    bool sendReport(const std::uint8_t* report8);
    bool receiveReport(std::uint8_t* report8);

    // Reads station bytes [start, start + length) into dst in 32-byte commands. On success length
    // becomes the requested length rounded up to 32 (dst receives only the requested bytes); on
    // failure it is the count delivered by the commands that completed. Test mode leaves it as asked.
    bool readMemory(unsigned start, std::uint8_t* dst, int& length);
    // Writes src to the station from start in whole 32-byte blocks (bytes past length are sent as 0).
    // A refused block does not stop the following ones. length as for readMemory.
    bool writeMemory(unsigned start, const std::uint8_t* src, int& length);
    // Writes one station byte; true only on a full acknowledgement.
    bool writeByte(unsigned address, std::uint8_t value);

    const StationImage& testImage() const { return *testImage_; }

    // How many write commands have been started on this link: a download that let another caller
    // have the station in between can tell whether its memory may have been changed meanwhile.
    std::uint64_t writesStarted() const { return writesStarted_; }

    // A stopping acquisition thread does not wait out a silent station: from abandonRetries() on,
    // a failed report transfer is not tried again (the one under way ends after its current
    // attempt), nor is a failed read (StationAccess), until resumeRetries(). Normal running never
    // abandons them.
    void abandonRetries() { retriesAbandoned_ = true; }
    void resumeRetries() { retriesAbandoned_ = false; }
    bool retriesAbandoned() const { return retriesAbandoned_; }

    // Called before every command frame sent to the station (not in test mode): it may wait first (to
    // keep the frame away from the station's busy moments), and false gives the frame up. Set once,
    // before the link is used.
    void setExchangeGuard(std::function<bool()> guard) { guard_ = std::move(guard); }

private:
    // The transfer tried again at once after each failure, within pollBound and kTransferTimeLimit.
    template <class Transfer> bool retried(Transfer transfer);
    bool sendWithRetries(const std::uint8_t* report8);
    bool receiveWithRetries(std::uint8_t* report8);
    bool receiveAcknowledgement();
    // A transfer of no bytes: nothing is sent, length becomes 0 and it succeeds (after the test
    // mode's wait).
    bool emptyTransfer(int& length);
    bool sendCommand(const std::uint8_t* frame8);

    std::unique_ptr<UsbLibrary> library_;
    Clock& clock_;
    bool testMode_;
    // Polled on the main thread while the acquisition thread may look at them.
    std::atomic<bool> connected_{false};
    std::atomic<int> handle_{-1};
    std::atomic<bool> retriesAbandoned_{false};
    std::atomic<std::uint64_t> writesStarted_{0};
    std::unique_ptr<StationImage> testImage_;
    std::function<bool()> guard_;
};

} // namespace nimbrel
