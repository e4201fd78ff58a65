// A stand-in for hidapi: the functions libnimbrel.so calls, over devices and openers kept in memory.
#include "tests/usb/fake_hidapi.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <hidapi.h>
#include <memory>
#include <mutex>

struct hid_device_ {
    std::string path;
    std::deque<nimbrel::testing::fakehid::Report> queue;
    bool closed = false;
};

namespace {

struct Device {
    std::string path;
    unsigned short vid, pid;
    int refusal = 0;
    int opens = 0;
};

// The library's calls may come from two threads in a test.
std::mutex gMutex;
std::vector<Device> gDevices;
std::vector<std::unique_ptr<hid_device_>> gOpeners; // kept after closing, so counts stay readable
std::vector<std::vector<std::uint8_t>> gWritten;

Device* deviceAt(const std::string& path) {
    auto it = std::find_if(gDevices.begin(), gDevices.end(), [&](const Device& d) { return d.path == path; });
    return it == gDevices.end() ? nullptr : &*it;
}

} // namespace

namespace nimbrel::testing::fakehid {

void reset() {
    std::lock_guard lock(gMutex);
    gDevices.clear();
    gOpeners.clear();
    gWritten.clear();
}

void attach(const std::string& path, unsigned short vid, unsigned short pid) {
    std::lock_guard lock(gMutex);
    gDevices.push_back({path, vid, pid});
}

void detach(const std::string& path) {
    std::lock_guard lock(gMutex);
    std::erase_if(gDevices, [&](const Device& d) { return d.path == path; });
}

void refuseOpens(const std::string& path, int error) {
    std::lock_guard lock(gMutex);
    if (Device* d = deviceAt(path)) d->refusal = error;
}

int opens(const std::string& path) {
    std::lock_guard lock(gMutex);
    const Device* d = deviceAt(path);
    return d ? d->opens : 0;
}

int openNow(const std::string& path) {
    std::lock_guard lock(gMutex);
    return static_cast<int>(std::count_if(gOpeners.begin(), gOpeners.end(),
                                          [&](const auto& o) { return o->path == path && !o->closed; }));
}

void deliver(const std::string& path, const Report& report) {
    std::lock_guard lock(gMutex);
    for (auto& opener : gOpeners)
        if (opener->path == path && !opener->closed) opener->queue.push_back(report);
}

std::vector<std::vector<std::uint8_t>> written() {
    std::lock_guard lock(gMutex);
    return gWritten;
}

} // namespace nimbrel::testing::fakehid

extern "C" {

int hid_init(void) {
    return 0;
}

int hid_exit(void) {
    return 0;
}

hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
    std::lock_guard lock(gMutex);
    hid_device_info* first = nullptr;
    hid_device_info** next = &first;
    for (const Device& d : gDevices) {
        if ((vendor_id && d.vid != vendor_id) || (product_id && d.pid != product_id)) continue;
        auto* info = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
        info->path = strdup(d.path.c_str());
        info->vendor_id = d.vid;
        info->product_id = d.pid;
        *next = info;
        next = &info->next;
    }
    return first;
}

void hid_free_enumeration(hid_device_info* devices) {
    while (devices) {
        hid_device_info* next = devices->next;
        std::free(devices->path);
        std::free(devices);
        devices = next;
    }
}

hid_device* hid_open_path(const char* path) {
    std::lock_guard lock(gMutex);
    Device* d = deviceAt(path);
    if (!d || d->refusal) {
        errno = d ? d->refusal : ENOENT;
        return nullptr;
    }
    ++d->opens;
    gOpeners.push_back(std::make_unique<hid_device_>());
    gOpeners.back()->path = path;
    return gOpeners.back().get();
}

void hid_close(hid_device* device) {
    std::lock_guard lock(gMutex);
    device->closed = true;
    device->queue.clear();
}

int hid_write(hid_device* device, const unsigned char* data, size_t length) {
    std::lock_guard lock(gMutex);
    if (device->closed || !deviceAt(device->path)) return -1;
    gWritten.emplace_back(data, data + length);
    return static_cast<int>(length);
}

int hid_read_timeout(hid_device* device, unsigned char* data, size_t length, int) {
    std::lock_guard lock(gMutex);
    if (device->closed || !deviceAt(device->path)) return -1;
    if (device->queue.empty()) return 0;
    const auto report = device->queue.front();
    device->queue.pop_front();
    std::memcpy(data, report.data(), std::min(length, report.size()));
    return static_cast<int>(report.size());
}

} // extern "C"
