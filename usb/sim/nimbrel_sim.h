// libnimbrel-sim.so: a simulated weather station behind the same C entry points as libnimbrel.so.
//
// The program loads it instead of the real USB library (Nimbrel.ini names the file) and runs its whole
// station path over it: command frames, data reports, acknowledgements, retries. The station answers at
// once; ReadData never blocks and returns false while no report is waiting.
//
// Settings (read when FindHandle is first called): environment variables NIMBREL_SIM_SEED, _START (seconds
// since the epoch or "now"), _SPEED, _ACK_FAULTS, _SILENT_FAULTS, _UNPLUG_FAULTS (rates 0..1), _VID, _PID,
// _DENIED, _STATE, _INTERVAL (logging minutes, 1-240), _SENSOR_PHASE and _LOG_PHASE (seconds from the start
// to the first sensor message and logging moment), _DRIFT (seconds a day the station's clock runs fast),
// _HAZARDS (on/off), _LOCKUP_MARGIN (seconds), _LOCKUP_CHANCE (0..1), _LOCKUP_AFTER (seconds after the
// start), _STATS and _CONTROL (files); then the file libnimbrel-sim.ini beside the library, whose
// "key=value" lines (seed, start, speed, ack_faults, silent_faults, unplug_faults, vid, pid, denied,
// state, interval, sensor_phase, log_phase, drift, hazards, lockup_margin, lockup_chance, lockup_after,
// stats, control) override them. usb/sim/README.md says more.
// The station keeps its own time: live values change at its sensor messages (every 48 simulated seconds),
// records are completed on its minute with byte 0 of the current record counting the minutes since, and
// 0xAA written to 0x1A is taken, and cleared, 3 simulated seconds later.
// state=FILE keeps the station between runs: it is loaded from FILE when made (and at a find or a
// command frame after another program saved it), saved to FILE atomically after every write frame and byte
// write it takes, and its clock goes on at its speed meanwhile. A missing, short or damaged FILE gives a
// fresh station. denied=1 plays a station this user may not open (no udev rule yet): FindHandle gives -1 and
// FindFailure NIMBREL_FIND_ACCESS_DENIED (2); FindFailure otherwise says NIMBREL_FIND_NO_STATION (1) for a
// find of other ids or an unplugged station, and NIMBREL_FIND_FOUND (0) after a find that gave a handle.
// hazards=on, at speed 1 only: a command frame within lockup_margin seconds of a sensor message or a
// logging moment (on the station's clock) hangs the station with chance lockup_chance, from lockup_after
// seconds after the start. A hung station keeps its handle and takes frames but never answers, and goes
// on logging, until its power is taken away and restored: then the old handle is gone, FindHandle gives a
// new one, and the memory, clock and phases are kept. Reports of a read are made as ReadData hands them
// over, so a read of the current record that spans a sensor message mixes old bytes with new (at speed 0
// only when a test moves the clock between them). A hang and a restored power are saved to the state
// file, and with hazards or a control file a fresh station is saved when made.
// stats=FILE: every program adds its counts (lockups, frames_in_margin, frames_in_margin_learning,
// frames_locked, torn_reads, frames) to FILE's "key=value" lines under an exclusive flock, at most every
// 0.5 s and when it ends. control=FILE: at each command frame the lines "lockup" (hang now) and "power"
// (take the power away and restore it) are acted on once and the file is removed.
// DeviceKey(handle) names the station for programs that share what they learned about it: "sim-state:"
// and the state file's absolute path, or "sim-seed:" and the seed. The text stays valid.
//
// Test controls, reached with dlsym:
//   NimbrelSimReset(settings)    makes a new station from a settings text such as
//                                "seed=1 start=1700000000 speed=60 ack_faults=0.1" (defaults for the rest;
//                                the environment and the file are not read); null reads them again.
//                                The new station is attached; FindHandle gives its handle. Returns 1.
//   NimbrelSimAdvance(seconds)   moves simulated time on without waiting.
//   NimbrelSimNow()              the simulated time, seconds since the epoch.
//   NimbrelSimPeek(a, out, n)    copies n station bytes from address a (wrapping past 0xFFFF), no protocol.
//                                Returns n, or 0 for a bad argument.
//   NimbrelSimPoke(a, data, n)   stores n bytes at a with no protocol and no side effects (nor a save to
//                                the state file). Returns n or 0.
//   NimbrelSimSetPlugged(p)      0 pulls the cable (CheckHandle false, FindHandle -1 until plugged again);
//                                1 plugs it back in (FindHandle then gives a new handle).
//   NimbrelSimFrames()           command frames received since the station was made.
//   NimbrelSimSetWallClock(s)    fixes the real clock (seconds since the epoch) that a kept station is
//                                stamped with when saved and goes on from when loaded, and that the
//                                station lives by meanwhile: while it stands, only NimbrelSimAdvance moves
//                                the station on, at any speed; negative: the system clock again.
//   NimbrelSimLockUp()           hangs the station now, as the control file's "lockup".
//   NimbrelSimPower()            takes its power away and restores it, as the control file's "power".
//   NimbrelSimLocked()           1 while the station is hung, else 0.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

int FindHandle(int vid, int pid);
int FindFailure(void);
bool CheckHandle(int handle);
bool WriteData(int handle, unsigned char* report8);
bool ReadData(int handle, unsigned char* report8);
const char* DeviceKey(int handle);

int NimbrelSimReset(const char* settings);
void NimbrelSimAdvance(double seconds);
double NimbrelSimNow(void);
int NimbrelSimPeek(unsigned address, unsigned char* out, int length);
int NimbrelSimPoke(unsigned address, const unsigned char* data, int length);
void NimbrelSimSetPlugged(int plugged);
unsigned long NimbrelSimFrames(void);
void NimbrelSimSetWallClock(double seconds);
void NimbrelSimLockUp(void);
void NimbrelSimPower(void);
int NimbrelSimLocked(void);

#ifdef __cplusplus
}
#endif
