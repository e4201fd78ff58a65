// SimLibrary: the simulated station library loaded with dlopen as the program loads it, for the sim tests.
#pragma once

#include <array>
#include <cstdint>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace nimbrel::testing {

using SimReport = std::array<std::uint8_t, 8>;
using SimBlock = std::array<std::uint8_t, 32>;

class SimLibrary {
public:
    static constexpr int kVid = 0x0713;
    static constexpr int kPid = 0x0818;

    SimLibrary() {
        library_ = dlopen(NIMBREL_BIN_DIR "/libnimbrel-sim.so", RTLD_NOW | RTLD_LOCAL);
        if (!library_) return;
        bind(findHandle, "FindHandle");
        bind(checkHandle, "CheckHandle");
        bind(writeData, "WriteData");
        bind(readData, "ReadData");
        bind(reset, "NimbrelSimReset");
        bind(advance, "NimbrelSimAdvance");
        bind(now, "NimbrelSimNow");
        bind(peekRaw, "NimbrelSimPeek");
        bind(pokeRaw, "NimbrelSimPoke");
        bind(setPlugged, "NimbrelSimSetPlugged");
        bind(frames, "NimbrelSimFrames");
        bind(setWallClock, "NimbrelSimSetWallClock");
        bind(lockUp, "NimbrelSimLockUp");
        bind(power, "NimbrelSimPower");
        bind(locked, "NimbrelSimLocked");
        bind(deviceKey, "DeviceKey");
    }
    ~SimLibrary() {
        if (library_) dlclose(library_);
    }
    SimLibrary(const SimLibrary&) = delete;
    SimLibrary& operator=(const SimLibrary&) = delete;

    bool loaded() const { return library_ && findHandle && readData && reset && peekRaw && frames; }

    // A new station from settings, attached; returns its handle.
    int start(const char* settings) {
        reset(settings);
        return findHandle(kVid, kPid);
    }

    std::vector<std::uint8_t> peek(unsigned address, int length) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(length));
        peekRaw(address, out.data(), length);
        return out;
    }
    unsigned peekU16(unsigned address) {
        auto b = peek(address, 2);
        return b[0] | (b[1] << 8);
    }
    void pokeU16(unsigned address, unsigned value) {
        const unsigned char b[2] = {static_cast<unsigned char>(value & 0xFF),
                                    static_cast<unsigned char>(value >> 8)};
        pokeRaw(address, b, 2);
    }

    bool send(int handle, SimReport report) { return writeData(handle, report.data()); }

    // Every report waiting, in order.
    std::vector<SimReport> drain(int handle) {
        std::vector<SimReport> reports;
        SimReport r{};
        while (readData(handle, r.data())) reports.push_back(r);
        return reports;
    }

    static SimReport frame(std::uint8_t command, unsigned address, std::uint8_t value = 0) {
        const auto hh = static_cast<std::uint8_t>(address >> 8),
                   ll = static_cast<std::uint8_t>(address & 0xFF);
        if (command == 'B') return {'B', hh, ll, 0x20, 'B', value, 0x00, 0x20};
        return {command, hh, ll, 0x20, command, hh, ll, 0x20};
    }

    // A read command; the 32 bytes when all four reports came.
    std::optional<SimBlock> readBlock(int handle, unsigned address) {
        if (!send(handle, frame('R', address))) return std::nullopt;
        auto reports = drain(handle);
        if (reports.size() != 4) return std::nullopt;
        SimBlock block{};
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < 8; ++i) block[8 * k + i] = reports[k][i];
        return block;
    }

    // A write command with its four data reports; the answers that came.
    std::vector<SimReport> writeBlock(int handle, unsigned address, const SimBlock& data) {
        send(handle, frame('W', address));
        for (int k = 0; k < 4; ++k) {
            SimReport r{};
            for (int i = 0; i < 8; ++i) r[i] = data[8 * k + i];
            send(handle, r);
        }
        return drain(handle);
    }

    std::vector<SimReport> writeByte(int handle, unsigned address, std::uint8_t value) {
        send(handle, frame('B', address, value));
        return drain(handle);
    }

    static bool isAck(const std::vector<SimReport>& answers) {
        if (answers.size() != 1) return false;
        for (auto b : answers[0])
            if (b != 0xA5) return false;
        return true;
    }

    int (*findHandle)(int, int) = nullptr;
    bool (*checkHandle)(int) = nullptr;
    bool (*writeData)(int, unsigned char*) = nullptr;
    bool (*readData)(int, unsigned char*) = nullptr;
    int (*reset)(const char*) = nullptr;
    void (*advance)(double) = nullptr;
    double (*now)() = nullptr;
    int (*peekRaw)(unsigned, unsigned char*, int) = nullptr;
    int (*pokeRaw)(unsigned, const unsigned char*, int) = nullptr;
    void (*setPlugged)(int) = nullptr;
    unsigned long (*frames)() = nullptr;
    void (*setWallClock)(double) = nullptr;
    void (*lockUp)() = nullptr;
    void (*power)() = nullptr;
    int (*locked)() = nullptr;
    const char* (*deviceKey)(int) = nullptr;

private:
    template <typename F> void bind(F& function, const char* name) {
        function = reinterpret_cast<F>(dlsym(library_, name));
    }

    void* library_ = nullptr;
};

} // namespace nimbrel::testing
