// SimControls: the simulated station's test controls. The library that a StationAccess loads by the same
// path is the same object, so these reach its station.
#pragma once

#include <cstddef>
#include <dlfcn.h>
#include <string>
#include <vector>

namespace nimbrel::testing {

struct SimControls {
    SimControls() {
        const std::string library = std::string(NIMBREL_BIN_DIR) + "/libnimbrel-sim.so";
        handle = dlopen(library.c_str(), RTLD_NOW);
        if (handle == nullptr) return;
        reset = reinterpret_cast<int (*)(const char*)>(dlsym(handle, "NimbrelSimReset"));
        peek = reinterpret_cast<int (*)(unsigned, unsigned char*, int)>(dlsym(handle, "NimbrelSimPeek"));
        poke = reinterpret_cast<int (*)(unsigned, const unsigned char*, int)>(dlsym(handle, "NimbrelSimPoke"));
        frames = reinterpret_cast<unsigned long (*)()>(dlsym(handle, "NimbrelSimFrames"));
        setPlugged = reinterpret_cast<void (*)(int)>(dlsym(handle, "NimbrelSimSetPlugged"));
    }
    ~SimControls() {
        if (handle != nullptr) dlclose(handle);
    }
    SimControls(const SimControls&) = delete;
    SimControls& operator=(const SimControls&) = delete;

    bool ready() const { return reset && peek && poke && frames && setPlugged; }
    unsigned char byteAt(unsigned address) const {
        unsigned char b = 0;
        peek(address, &b, 1);
        return b;
    }
    void setByte(unsigned address, unsigned char value) const { poke(address, &value, 1); }
    std::vector<unsigned char> bytes(unsigned address, int n) const {
        std::vector<unsigned char> out(static_cast<std::size_t>(n));
        peek(address, out.data(), n);
        return out;
    }
    void put(unsigned address, std::vector<unsigned char> data) const {
        poke(address, data.data(), static_cast<int>(data.size()));
    }

    void* handle = nullptr;
    int (*reset)(const char*) = nullptr;
    int (*peek)(unsigned, unsigned char*, int) = nullptr;
    int (*poke)(unsigned, const unsigned char*, int) = nullptr;
    unsigned long (*frames)() = nullptr;
    void (*setPlugged)(int) = nullptr;
};

} // namespace nimbrel::testing
