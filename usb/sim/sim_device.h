// SimDevice: the simulated station as the USB library sees it: handles, command frames, answers and faults.
#pragma once

#include "usb/sim/sim_config.h"
#include "usb/sim/sim_random.h"
#include "usb/sim/sim_state.h"
#include "usb/sim/sim_station.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

namespace nimbrel::sim {

using Report = std::array<std::uint8_t, 8>;

// With a state file the station is kept between runs: it is loaded when the device is made and again
// at a find or a command frame when another program saved it since, and saved after every write it
// takes. Time goes on at
// the configured speed while no program runs it.
class SimDevice {
public:
    explicit SimDevice(const SimConfig& config);

    // The entry points. Handles are small positive numbers; an unplugged station invalidates its
    // handle and the next find (when the ids match) plugs it in again under a new one. findFailure says
    // why the last find gave none (the NIMBREL_FIND_ codes of usb/hid/nimbrel_usb.h).
    int find(int vid, int pid);
    int findFailure() const { return findFailure_; }
    bool check(int handle);
    bool write(int handle, const std::uint8_t* report);
    bool read(int handle, std::uint8_t* report);

    // Test controls.
    void advance(double seconds) { extraSeconds_ += seconds; }
    void setAttached(bool attached);
    void peek(unsigned address, std::uint8_t* out, int length);
    void poke(unsigned address, const std::uint8_t* data, int length);
    double now();
    unsigned long framesSeen() const { return frames_; }

private:
    // What the station does wrong with one command frame, drawn for every frame in the same way whatever
    // the rates, so that a seed gives the same sequence of faults.
    struct Faults {
        bool unplug = false;
        bool silent = false;
        bool refuse = false;
        int reportsBeforeSilence = 0; // a silent read still sends this many reports (0-3)
        int refusedByte = 0;
        std::uint8_t refusedValue = 0;
    };

    Faults drawFaults();
    void catchUp();
    // Takes the station from the state file when it holds a valid one, with its clock moved on by the
    // real time since it was saved; otherwise keeps the station as it is. Remembers the file's stamp.
    void loadState();
    // Another program that runs the same kept station (the window while nimbrel-cli writes) may have saved
    // it since this one last loaded or saved it: then its station is taken, at a find or a command frame.
    void takeOtherProgramsSave();
    // Saves the station to the state file (atomically); a save that fails leaves the old file and is
    // told once on standard error, and the station goes on working.
    void saveState();
    void answerAcknowledgement(const Faults& faults);
    void command(const Report& frame, const Faults& faults);
    void finishWrite();

    SimConfig config_;
    SimStation station_;
    SimRandom faultRandom_;
    std::chrono::steady_clock::time_point realStart_;
    double extraSeconds_ = 0;
    bool attached_ = true;
    int handle_ = -1;
    int nextHandle_ = 1;
    int findFailure_ = 0;
    std::deque<Report> answers_;
    unsigned long frames_ = 0;

    // A write frame is followed by four data reports.
    bool collectingWrite_ = false;
    unsigned writeAddress_ = 0;
    int writeReports_ = 0;
    std::array<std::uint8_t, 32> writeData_{};
    Faults writeFaults_;

    std::optional<FileStamp> stateStamp_; // the state file as this device last loaded or saved it
    bool saveFailureTold_ = false;
};

} // namespace nimbrel::sim
