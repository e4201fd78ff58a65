// The C entry points of libnimbrel-sim.so over one process-wide simulated station.
#include "usb/sim/nimbrel_sim.h"
#include "usb/sim/sim_config.h"
#include "usb/sim/sim_device.h"

#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#define NIMBREL_SIM_EXPORT __attribute__((visibility("default")))

namespace {

using nimbrel::sim::SimConfig;
using nimbrel::sim::SimDevice;

// The program calls from its window thread and its acquisition thread.
std::mutex gMutex;
std::unique_ptr<SimDevice> gDevice;
std::set<std::string> gDeviceKeys; // every key DeviceKey gave, so that its text stays valid

std::string settingsFileBesideLibrary() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&settingsFileBesideLibrary), &info) == 0 || !info.dli_fname) return {};
    std::string path = info.dli_fname;
    auto slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "libnimbrel-sim.ini";
}

SimConfig configuredSettings() {
    SimConfig config;
    nimbrel::sim::applyEnvironment(config);
    const std::string file = settingsFileBesideLibrary();
    if (!file.empty()) nimbrel::sim::applySettingsFile(config, file);
    return config;
}

SimDevice& device() {
    if (!gDevice) gDevice = std::make_unique<SimDevice>(configuredSettings());
    return *gDevice;
}

} // namespace

extern "C" {

NIMBREL_SIM_EXPORT int FindHandle(int vid, int pid) {
    std::lock_guard lock(gMutex);
    return device().find(vid, pid);
}

NIMBREL_SIM_EXPORT int FindFailure(void) {
    std::lock_guard lock(gMutex);
    return gDevice ? gDevice->findFailure() : 0; // 0: no find yet
}

NIMBREL_SIM_EXPORT bool CheckHandle(int handle) {
    std::lock_guard lock(gMutex);
    return gDevice && gDevice->check(handle);
}

NIMBREL_SIM_EXPORT bool WriteData(int handle, unsigned char* report8) {
    std::lock_guard lock(gMutex);
    return report8 && gDevice && gDevice->write(handle, report8);
}

NIMBREL_SIM_EXPORT bool ReadData(int handle, unsigned char* report8) {
    std::lock_guard lock(gMutex);
    return report8 && gDevice && gDevice->read(handle, report8);
}

NIMBREL_SIM_EXPORT const char* DeviceKey(int handle) {
    (void)handle; // one station behind every handle
    std::lock_guard lock(gMutex);
    return gDeviceKeys.insert(device().key()).first->c_str();
}

NIMBREL_SIM_EXPORT int NimbrelSimReset(const char* settings) {
    std::lock_guard lock(gMutex);
    SimConfig config;
    if (settings)
        nimbrel::sim::applySettingsText(config, settings);
    else
        config = configuredSettings();
    gDevice = std::make_unique<SimDevice>(config);
    return 1;
}

NIMBREL_SIM_EXPORT void NimbrelSimAdvance(double seconds) {
    std::lock_guard lock(gMutex);
    if (seconds > 0) device().advance(seconds);
}

NIMBREL_SIM_EXPORT double NimbrelSimNow(void) {
    std::lock_guard lock(gMutex);
    return device().now();
}

NIMBREL_SIM_EXPORT int NimbrelSimPeek(unsigned address, unsigned char* out, int length) {
    std::lock_guard lock(gMutex);
    if (!out || length <= 0) return 0;
    device().peek(address, out, length);
    return length;
}

NIMBREL_SIM_EXPORT int NimbrelSimPoke(unsigned address, const unsigned char* data, int length) {
    std::lock_guard lock(gMutex);
    if (!data || length <= 0) return 0;
    device().poke(address, data, length);
    return length;
}

NIMBREL_SIM_EXPORT void NimbrelSimSetPlugged(int plugged) {
    std::lock_guard lock(gMutex);
    device().setAttached(plugged != 0);
}

NIMBREL_SIM_EXPORT void NimbrelSimSetWallClock(double seconds) {
    std::lock_guard lock(gMutex);
    nimbrel::sim::setWallClock(seconds);
}

NIMBREL_SIM_EXPORT unsigned long NimbrelSimFrames(void) {
    std::lock_guard lock(gMutex);
    return device().framesSeen();
}

NIMBREL_SIM_EXPORT void NimbrelSimLockUp(void) {
    std::lock_guard lock(gMutex);
    device().lockUp();
}

NIMBREL_SIM_EXPORT void NimbrelSimPower(void) {
    std::lock_guard lock(gMutex);
    device().restorePower();
}

NIMBREL_SIM_EXPORT int NimbrelSimLocked(void) {
    std::lock_guard lock(gMutex);
    return device().locked() ? 1 : 0;
}

} // extern "C"
