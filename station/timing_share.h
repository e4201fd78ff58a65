// TimingShare: what the programs on one station learned of its timing, kept where they all find it.
//
// The folder is NIMBREL_TIMING_DIR when set; otherwise /run/nimbrel when this user may write there (the
// logger service's runtime folder, writable by group nimbrel); otherwise nimbrel/ under
// $XDG_RUNTIME_DIR. Each station has one file there, named after its device key; it holds key=value
// lines and is replaced whole, so a reader never sees half of it.
#pragma once

#include "station/station_timing.h"

#include <optional>
#include <string>

namespace nimbrel {

// The folder for shared timing, made when missing; "" when none can be used.
std::string timingFolder();

class TimingShare {
public:
    // Nothing is shared without a folder or a key.
    TimingShare(std::string folder, const std::string& deviceKey);

    bool active() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

    // What the file holds when it changed since this object last loaded or saved it; nothing else.
    std::optional<TimingSnapshot> loadIfChanged();
    // What the file holds, whatever this object did before; nothing when it is missing or unreadable.
    std::optional<TimingSnapshot> load() const;
    // Replaces the file; false when it could not be written (the program goes on learning alone).
    bool save(const TimingSnapshot& snapshot);

private:
    std::string path_;
    long long seenStamp_ = -1; // the file's change time in nanoseconds as last loaded or saved
};

// The file's text for a snapshot, and back; a text that does not read gives nothing.
std::string timingText(const TimingSnapshot& snapshot);
std::optional<TimingSnapshot> timingFromText(const std::string& text);

} // namespace nimbrel
