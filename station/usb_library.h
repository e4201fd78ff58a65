// UsbLibrary: the entry points of the USB access library, behind an interface tests can replace.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace nimbrel {

// One station report is always 8 bytes.
inline constexpr int kReportSize = 8;

// Why the last findHandle gave no station.
enum class FindFailure {
    none,        // it found one (or none was looked for yet)
    noStation,   // no station with those ids is attached
    accessDenied // one is attached but this user may not open it (the udev rule is not installed)
};

class UsbLibrary {
public:
    virtual ~UsbLibrary() = default;
    // A handle for the first station with these ids, or -1 when none is attached.
    virtual int findHandle(int vendorId, int productId) = 0;
    // True while the station behind handle is still attached.
    virtual bool checkHandle(int handle) = 0;
    // Hands one 8-byte report to the station.
    virtual bool writeData(int handle, const std::uint8_t* report8) = 0;
    // Stores one 8-byte report from the station; false when none is there yet (callers poll).
    virtual bool readData(int handle, std::uint8_t* report8) = 0;
    // Why the last findHandle failed; asked after a failed find. A library that cannot tell says
    // noStation.
    virtual FindFailure findFailure() const { return FindFailure::noStation; }
    // Why the library could not be loaded, "" when it was.
    virtual std::string loadError() const { return {}; }
    // The station's own time in seconds since the epoch, when the library keeps one (the simulated
    // station, whose time may run faster than the PC's or stand still); nothing for a real station.
    virtual std::optional<double> stationNow() const { return std::nullopt; }
    // A text that names the station behind handle for as long as it stays where it is (its device
    // node, or the simulated station's file), so that programs on one station can share what they
    // learned of it; "" when the library cannot tell.
    virtual std::string deviceKey(int /*handle*/) const { return {}; }
};

// Loads the shared library file at path and binds FindHandle, CheckHandle, WriteData and ReadData.
// When the file or any of them is missing, the object behaves as a library with no station attached
// (findHandle -1, every other call false) and loadError() says what was missing. FindFailure is bound
// when the library has it; without it (older libraries) findFailure() is noStation after a failed find
// and none after a successful one.
std::unique_ptr<UsbLibrary> loadUsbLibrary(const std::string& path);

// A library with no station attached, for callers that have none to load.
std::unique_ptr<UsbLibrary> noUsbLibrary(std::string reason);

} // namespace nimbrel
