// Fuzz target: the simulated station's settings text (libnimbrel-sim.ini, NIMBREL_SIM_* values) of
// any bytes. Whatever it says, the station that it sets up has fault rates from 0 to 1, USB ids of
// 16 bits, a clock that does not run backwards and a start time that is a time; the file reads as
// the same text does.
#include "fuzz/fuzz_check.h"
#include "usb/sim/sim_config.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using nimbrel::fuzz::require;
using nimbrel::sim::SimConfig;

void checkRanges(const SimConfig& config) {
    for (double rate : {config.ackFaults, config.silentFaults, config.unplugFaults})
        require(rate >= 0 && rate <= 1, "a fault rate lies from 0 to 1");
    require(config.vid >= 0 && config.vid <= 0xFFFF && config.pid >= 0 && config.pid <= 0xFFFF,
            "USB ids have 16 bits");
    require(std::isfinite(config.speed) && config.speed >= 0, "the clock runs forwards at a finite speed");
    require(config.start == -1 || (std::isfinite(config.start) && config.start >= 0),
            "the start is \"now\" or a finite time after 1970");
    require(config.interval >= 1 && config.interval <= 240, "the logging interval is 1 to 240 minutes");
    require(config.sensorPhase == -1 || (config.sensorPhase >= 0 && config.sensorPhase < 48),
            "the sensor phase is the seed's or within one sensor period");
    require(config.logPhase == -1 || (config.logPhase >= 0 && config.logPhase < 240 * 60),
            "the logging phase is the seed's or within the longest interval");
    require(std::isfinite(config.drift) && std::abs(config.drift) <= 864, "the drift is at most 864 s a day");
    require(config.lockupMargin >= 0 && config.lockupMargin < 24, "a margin is under half a sensor period");
    require(config.lockupChance >= 0 && config.lockupChance <= 1, "a chance lies from 0 to 1");
    require(std::isfinite(config.lockupAfter) && config.lockupAfter >= 0,
            "hangs may come from a finite time on");
}

bool mentionsNow(std::string_view text) {
    for (std::size_t i = 0; i + 3 <= text.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(text[i]) == 'n' && lower(text[i + 1]) == 'o' && lower(text[i + 2]) == 'w') return true;
    }
    return false;
}

// The settings file as the library opens it, by path; kept in memory so the fuzzer spends its time on
// the reader, not the disk.
bool readAsFile(std::string_view text, SimConfig& config) {
    const int fd = ::memfd_create("libnimbrel-sim.ini", 0);
    if (fd < 0) return false;
    bool whole = true;
    for (std::size_t written = 0; written < text.size();) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0) {
            whole = false;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    const bool read = whole && nimbrel::sim::applySettingsFile(config, "/proc/self/fd/" + std::to_string(fd));
    ::close(fd);
    require(!whole || read, "an existing settings file is read");
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SimConfig fromText;
    nimbrel::sim::applySettingsText(fromText, text);
    checkRanges(fromText);

    SimConfig fromFile;
    if (!readAsFile(text, fromFile)) return 0;
    checkRanges(fromFile);
    require(fromFile.seed == fromText.seed && fromFile.speed == fromText.speed &&
                fromFile.ackFaults == fromText.ackFaults && fromFile.silentFaults == fromText.silentFaults &&
                fromFile.unplugFaults == fromText.unplugFaults && fromFile.vid == fromText.vid &&
                fromFile.pid == fromText.pid && fromFile.interval == fromText.interval &&
                fromFile.sensorPhase == fromText.sensorPhase && fromFile.logPhase == fromText.logPhase &&
                fromFile.drift == fromText.drift,
            "the file reads as its text");
    // "start=now" reads the clock, which may tick between the two reads.
    if (!mentionsNow(text)) require(fromFile.start == fromText.start, "the file's start reads as its text");
    return 0;
}
