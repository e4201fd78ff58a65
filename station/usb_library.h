// UsbLibrary: the four entry points of the USB access library, behind an interface tests can replace.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace nimbrel {

// One station report is always 8 bytes.
inline constexpr int kReportSize = 8;

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
    // Why the library could not be loaded, "" when it was.
    virtual std::string loadError() const { return {}; }
};

// Loads the shared library file at path and binds FindHandle, CheckHandle, WriteData and ReadData.
// When the file or any entry point is missing, the object behaves as a library with no station
// attached (findHandle -1, every other call false) and loadError() says what was missing.
std::unique_ptr<UsbLibrary> loadUsbLibrary(const std::string& path);

// A library with no station attached, for callers that have none to load.
std::unique_ptr<UsbLibrary> noUsbLibrary(std::string reason);

} // namespace nimbrel
