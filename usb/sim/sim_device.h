// SimDevice: the simulated station as the USB library sees it: handles, command frames, answers and faults.
#pragma once

#include "usb/sim/sim_config.h"
#include "usb/sim/sim_files.h"
#include "usb/sim/sim_random.h"
#include "usb/sim/sim_state.h"
#include "usb/sim/sim_station.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace nimbrel::sim {

using Report = std::array<std::uint8_t, 8>;

// With a state file the station is kept between runs: it is loaded when the device is made and again
// at a find or a command frame when another program saved it since, and saved after every write it
// takes and whenever it hangs or its power is restored. Time goes on at the configured speed while no
// program runs it.
//
// With hazards at speed 1 a command frame that comes too near a sensor message or a logging moment may
// hang the station: it keeps its handle and takes frames but never answers, and goes on logging, until its
// power is taken away and restored. Reads then hand each report over from the memory as it is at that
// moment, so a read that spans a sensor message mixes old bytes with new ones.
class SimDevice {
public:
    explicit SimDevice(const SimConfig& config);
    // Adds what this station met to the stats file.
    ~SimDevice();
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

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
    // Hangs the station now, or takes its power away and restores it: it answers again, under a new
    // handle, having forgotten any exchange half done.
    void lockUp();
    void restorePower();
    bool locked() const { return station_.locked(); }

    // Names the station for programs that share what they learned about it: its state file, or its seed.
    std::string key() const;

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

    // A read whose reports are handed over one by one from the memory of the moment.
    struct PendingRead {
        unsigned address = 0;
        int reports = 4;
        int handedOver = 0;
        double sensorDue = 0;       // the next sensor message as the frame came
        bool coversCurrent = false; // it reads bytes of the current record
    };

    Faults drawFaults();
    void catchUp();
    // Real seconds since the station's time was last set: the steady clock, or while a test fixes the
    // real clock (setWallClock), that clock.
    double realElapsed();
    void restartRealTime();
    bool lockupsApply() const { return config_.hazards && config_.speed == 1; }
    // At speed 0 only a test moves the clock between two reports.
    bool tornReadsApply() const { return config_.hazards && (config_.speed == 1 || config_.speed == 0); }
    // Takes the station from the state file when it holds a valid one, with its clock moved on by the
    // real time since it was saved, and says whether it did; otherwise keeps the station as it is.
    // Remembers the file's stamp. A station whose power was restored since has forgotten this handle.
    bool loadState();
    // Another program that runs the same kept station (the window while nimbrel-cli writes) may have saved
    // it since this one last loaded or saved it: then its station is taken, at a find or a command frame.
    void takeOtherProgramsSave();
    // Saves the station to the state file (atomically); a save that fails leaves the old file and is
    // told once on standard error, and the station goes on working.
    void saveState();
    void answerAcknowledgement(const Faults& faults);
    void command(const Report& frame, const Faults& faults);
    void finishWrite();
    void forgetExchange();
    void actOnControlFile();
    // A frame inside a margin may hang the station; counted either way.
    void meetHazards();
    bool handOverReadReport(std::uint8_t* out);
    void flushStats();

    SimConfig config_;
    SimStation station_;
    SimRandom faultRandom_;
    SimRandom hazardRandom_;
    bool realFixed_ = false; // whether realMark_ is on the fixed clock
    double realMark_ = 0;    // the real clock when realElapsed was elapsedAtMark_
    double elapsedAtMark_ = 0;
    double lastElapsed_ = 0;
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

    std::optional<PendingRead> pendingRead_;

    std::optional<FileStamp> stateStamp_; // the state file as this device last loaded or saved it
    bool saveFailureTold_ = false;

    double hazardsFrom_ = 0; // simulated time from which a frame inside a margin may hang the station
    HazardCounts unflushed_; // counted since the last addition to the stats file
    std::chrono::steady_clock::time_point lastFlush_;
    bool statsFailureTold_ = false;
};

} // namespace nimbrel::sim
