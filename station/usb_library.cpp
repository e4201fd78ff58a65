#include "station/usb_library.h"

#include <atomic>
#include <cstring>
#include <dlfcn.h>

namespace nimbrel {

namespace {

class AbsentLibrary final : public UsbLibrary {
public:
    explicit AbsentLibrary(std::string reason) : reason_(std::move(reason)) {}
    int findHandle(int, int) override { return -1; }
    bool checkHandle(int) override { return false; }
    bool writeData(int, const std::uint8_t*) override { return false; }
    bool readData(int, std::uint8_t*) override { return false; }
    std::string loadError() const override { return reason_; }

private:
    std::string reason_;
};

// The C entry points; the booleans are one byte, as C's bool.
using FindHandleFn = int (*)(int, int);
using CheckHandleFn = bool (*)(int);
using WriteDataFn = bool (*)(int, unsigned char*);
using ReadDataFn = bool (*)(int, unsigned char*);
using FindFailureFn = int (*)();
using StationNowFn = double (*)();
using DeviceKeyFn = const char* (*)(int);
// FindFailure's code for a station this user may not open (NIMBREL_FIND_ACCESS_DENIED in
// usb/hid/nimbrel_usb.h); any other code after a failed find means no station.
constexpr int kAccessDeniedCode = 2;

class SharedLibrary final : public UsbLibrary {
public:
    SharedLibrary(void* module, FindHandleFn find, CheckHandleFn check, WriteDataFn write, ReadDataFn read,
                  FindFailureFn failure, StationNowFn stationNow, DeviceKeyFn deviceKey)
        : module_(module), find_(find), check_(check), write_(write), read_(read), failure_(failure),
          stationNow_(stationNow), deviceKey_(deviceKey) {}
    ~SharedLibrary() override { dlclose(module_); }
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    int findHandle(int vendorId, int productId) override {
        const int handle = find_(vendorId, productId);
        lastFindFailed_ = handle == -1;
        return handle;
    }
    FindFailure findFailure() const override {
        if (!lastFindFailed_) return FindFailure::none;
        return failure_ && failure_() == kAccessDeniedCode ? FindFailure::accessDenied
                                                           : FindFailure::noStation;
    }
    bool checkHandle(int handle) override { return check_(handle); }
    bool writeData(int handle, const std::uint8_t* report8) override {
        unsigned char report[kReportSize]; // the entry point takes a mutable buffer
        std::memcpy(report, report8, kReportSize);
        return write_(handle, report);
    }
    bool readData(int handle, std::uint8_t* report8) override { return read_(handle, report8); }
    std::optional<double> stationNow() const override {
        return stationNow_ ? std::optional<double>(stationNow_()) : std::nullopt;
    }
    std::string deviceKey(int handle) const override {
        const char* key = deviceKey_ ? deviceKey_(handle) : nullptr;
        return key ? std::string(key) : std::string();
    }

private:
    void* module_;
    FindHandleFn find_;
    CheckHandleFn check_;
    WriteDataFn write_;
    ReadDataFn read_;
    FindFailureFn failure_; // null in libraries older than it
    StationNowFn stationNow_; // only the simulated station has it
    DeviceKeyFn deviceKey_;   // null in libraries older than it
    std::atomic<bool> lastFindFailed_{false};
};

template <typename Fn> Fn entryPoint(void* module, const char* name) {
    return reinterpret_cast<Fn>(dlsym(module, name));
}

} // namespace

std::unique_ptr<UsbLibrary> noUsbLibrary(std::string reason) {
    return std::make_unique<AbsentLibrary>(std::move(reason));
}

std::unique_ptr<UsbLibrary> loadUsbLibrary(const std::string& path) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* error = dlerror();
        return noUsbLibrary(error ? std::string("cannot load the USB library: ") + error
                                  : "cannot load the USB library " + path);
    }
    auto find = entryPoint<FindHandleFn>(module, "FindHandle");
    auto check = entryPoint<CheckHandleFn>(module, "CheckHandle");
    auto write = entryPoint<WriteDataFn>(module, "WriteData");
    auto read = entryPoint<ReadDataFn>(module, "ReadData");
    if (!find || !check || !write || !read) {
        dlclose(module);
        return noUsbLibrary("the USB library " + path +
                            " lacks one of FindHandle, CheckHandle, WriteData, ReadData");
    }
    auto failure = entryPoint<FindFailureFn>(module, "FindFailure");
    auto stationNow = entryPoint<StationNowFn>(module, "NimbrelSimNow");
    auto deviceKey = entryPoint<DeviceKeyFn>(module, "DeviceKey");
    return std::make_unique<SharedLibrary>(module, find, check, write, read, failure, stationNow, deviceKey);
}

} // namespace nimbrel
