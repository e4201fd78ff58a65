// Controls of the tests' stand-in for hidapi: attached devices, refused opens, input reports, and what
// was written. Like hidraw, every opener of a device has its own queue of input reports and gets every
// report the device sends.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nimbrel::testing::fakehid {

using Report = std::array<std::uint8_t, 8>;

// Nothing attached, nothing written, no opener.
void reset();
// A device at path (a real file, so that flock works on it) with these ids, and its removal.
void attach(const std::string& path, unsigned short vid, unsigned short pid);
void detach(const std::string& path);
// hid_open_path of path fails with this errno; 0 lets opens through again.
void refuseOpens(const std::string& path, int error);
// Successful opens of path so far, and openers of it not closed yet.
int opens(const std::string& path);
int openNow(const std::string& path);
// The device sends one input report: every opener still open queues it.
void deliver(const std::string& path, const Report& report);
// Every buffer handed to hid_write, as it was handed (report id first).
std::vector<std::vector<std::uint8_t>> written();

} // namespace nimbrel::testing::fakehid
